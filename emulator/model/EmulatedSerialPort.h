#pragma once
#include "core/SerialPort.h"
#include "model/PanelModel.h"

#include <QStringList>

namespace kwf {
class Clock;
}

namespace kwf::emu {

// A serial port with a panel model behind it, in the same process, on the program's clock:
// written frames reach the model at clock.monotonicMs(); answer bytes become waiting when their
// time has come (at once, or after the injected delay); while the panel streams DCF77, one
// character per second of clock time. On a simulated clock the waits cost nothing.
class EmulatedSerialPort : public SerialPort {
public:
    // The panel's clock starts at clock.now() unless a start is given.
    explicit EmulatedSerialPort(Clock& clock, const QDateTime& panelStart = QDateTime());

    PanelModel& model() { return m_model; }
    const PanelModel& model() const { return m_model; }

    // Device names that open; empty (the default): every name opens.
    QStringList devices;
    // Every frame written, as (ms, bytes), whether or not the panel understood it.
    struct Write { qint64 atMs; QByteArray bytes; };
    std::vector<Write> writes;

    // Pulls the adapter out: every later call fails, as on a real line.
    void unplug();
    // Plugs the adapter back in; the port must be opened again.
    void replug() { m_unplugged = false; m_model.replug(); }

    bool open(const QString& deviceName, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool clearInput() override;
    bool setDtr(bool on) override;
    bool write(const QByteArray& bytes) override;
    int bytesWaiting() override;
    int readByte() override;
    bool waitForInput(int msecs) override;
    QString errorString() const override { return m_error; }
    PortError errorKind() const override { return m_kind; }

    // What the receive buffer holds at most; later bytes are lost.
    static constexpr int kBufferSize = 9000;

private:
    void pull();
    void checkUnplug();

    Clock& m_clock;
    PanelModel m_model;
    bool m_open = false;
    bool m_unplugged = false;
    bool m_lineUnderstood = true;   // the panel reads only 9600 baud, 8 bits, no parity
    QByteArray m_rx;
    QString m_error;
    PortError m_kind = PortError::None;
};

} // namespace kwf::emu
