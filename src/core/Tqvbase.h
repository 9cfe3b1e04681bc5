#pragma once
#include "core/RegisterMap.h"
#include "core/UiServices.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <vector>

namespace kwf {

class Clock;
class SerialPort;
class UiServices;
struct LinkSettingsModel;

// Result of a device command: acknowledged, or the number of bytes that were waiting
// (0 for reads that could not decode). `expected` and `received` are the answer's size and the
// bytes that came, whatever the verdict; `sent` is false when the command was refused before
// any frame went out (values out of range).
struct CmdResult {
    bool ok = false;
    int count = 0;
    int expected = 0;
    int received = 0;
    bool sent = true;
    static CmdResult acknowledged() { return {true, 0}; }
    static CmdResult failed(int bytesWaiting) { return {false, bytesWaiting}; }
    static CmdResult refused() { return {false, 0, 0, 0, false}; }
    // The verdict on `received` bytes out of `expected`.
    static CmdResult counted(bool ok, int expected, int received)
    {
        return {ok, ok ? 0 : qMax(received, 0), expected, qMax(received, 0), true};
    }
    explicit operator bool() const { return ok; }
};

// A message box as a window shows it.
struct ShownMessage {
    QString text;
    MsgIcon icon;
    bool operator==(const ShownMessage& o) const { return text == o.text && icon == o.icon; }
};

// What the exchanges do, for the journal and the status bar. Costs nothing when none is set.
class ExchangeObserver {
public:
    virtual ~ExchangeObserver() = default;
    virtual void operationStarted(const QString& /*name*/) {}
    virtual void operationFinished(const QString& /*name*/) {}
    virtual void frameWritten(const QByteArray& /*frame*/, bool /*accepted*/) {}
    virtual void waited(double /*seconds*/, int /*bytesWaiting*/) {}
    virtual void byteRead(quint8 /*byte*/) {}
    virtual void outcome(const QString& /*text*/) {}
    // The line is held for a wait (the event loop may turn meanwhile), then released.
    virtual void waitStarted() {}
    virtual void waitEnded() {}
    // Where a long operation has got to, when frames do not tell it ("COM5" for the detection).
    virtual void progress(const QString& /*detail*/) {}
};

// Shared messages.
namespace msg {
inline const char* const kPortNotValidated =
    "Pas de port COM ouvert. Veuillez valider la Configuration dans le menu Configuration.";
inline const char* const kLinkFailed =
    "Échec de connexion après 3 tentatives.\r\nVeuillez vérifier le port COM utilisé,\r\nles connexions et recommencer.";
inline const char* const kWiredFailure =
    "Une erreur est survenue. Veuillez recommencer ou  vérifier directement sur l'afficheur.";
inline const char* const kWirelessFailure =
    "Le module sans fil nécessite une vérification directement sur l'afficheur.";
inline const char* const kNoReading = "Pas de Lecture possible.";
}

// The transport: every exchange with the panel goes through here. One per program; it uses the
// settings' one port, reads the response control and the interface at the moment of use, and
// keeps the register image TAB_DS.
class Tqvbase {
public:
    Tqvbase(SerialPort& port, Clock& clock, UiServices& ui, LinkSettingsModel& link);

    static constexpr int kTabDsSize = kwf::kTabDsSize;
    std::array<quint8, kTabDsSize>& TAB_DS() { return m_tabDs; }
    const std::array<quint8, kTabDsSize>& TAB_DS() const { return m_tabDs; }

    SerialPort& port() { return m_port; }
    Clock& clock() { return m_clock; }
    UiServices& ui() { return m_ui; }
    const LinkSettingsModel& link() const { return m_link; }

    // Settings read at the moment of use.
    bool responseIgnored() const;   // SEL_REP is "NON"
    bool wired() const;             // SEL_INTER is "Filaire "

    // Holds the exchange for d seconds on the monotonic clock, taking in the port's bytes.
    void ATTENTE(double seconds);
    // True when the port has been validated; otherwise shows the port message.
    bool VERIF_PORT();
    // VERIF_PORT, and the validated port must still be open (a pulled-out adapter closes it):
    // otherwise the same port message.
    bool VERIF_PORT_OUVERT();
    // Link test: up to three attempts of the link frame, each judged after 0.9 s.
    bool TEST_LIAISON();
    // Closing exchange: closing frame, 0.1 s, exactly one byte.
    bool FIN_LIAISON();
    // Closing exchange, then the outcome message of a device command.
    void COMPTE_RENDU(const CmdResult& r, const QString& successText);
    // Bytes waiting at the last attempt of the last link test (-1: it wrote nothing).
    int lastLinkTestBytes() const { return m_linkTestBytes; }
    // True when the last closing exchange had its one byte back.
    bool lastClosingAcknowledged() const { return m_closingAcknowledged; }

    // Shows a message box and keeps it in the list of messages shown, so that a command can
    // tell what its window showed.
    void show(const QString& text, MsgIcon icon);
    const std::vector<ShownMessage>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }
    // While one lives, messages are kept in shown() but no box appears: an operation made of
    // several commands reports once, at its end.
    class Quiet {
    public:
        explicit Quiet(Tqvbase& t) : m_t(t), m_was(t.m_quiet) { t.m_quiet = true; }
        ~Quiet() { m_t.m_quiet = m_was; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
    private:
        Tqvbase& m_t;
        bool m_was;
    };

    // Building blocks of the register operations.
    // Empties the receive buffer and drops DTR.
    void beginExchange();
    // Writes one frame in one write; false when the port refused it (port closed or gone).
    bool send(const QByteArray& frame);
    int bytesWaiting();
    // One waiting byte, -1 if none.
    int readByte();

    // Writes one register-write frame per value (registers first, first+1, ...) back to back,
    // waits once, and is acknowledged when exactly values.size() bytes are waiting.
    CmdResult writeRegisters(int firstRegister, const QByteArray& values, const WritePlan& plan);
    // Writes one register-read frame per register (pausing the plan's per-frame wait after each
    // when it is not zero), waits once, and gives the number of bytes waiting. -1 when a frame
    // could not be written. The caller takes the bytes with readByte().
    int sendReads(const std::vector<int>& registers, const ReadPlan& plan);

    // Single registers: preamble 1, end run 1, 0.05 s, exactly one byte.
    // LIT_REG gives the value, or -1 when not exactly one byte came back.
    int LIT_REG(int reg);
    CmdResult ECRI_REG(int reg, quint8 value);

    // One exchange at a time. While the line is held (a wait, or a whole detection scan, by this
    // transport or any other on the same port) the event
    // loop may turn, and whatever it runs must not reach the port: the port guard then refuses
    // quietly, and every building block here refuses too (no write, no read, no wait, no message).
    bool busy() const;
    class Hold {
    public:
        explicit Hold(Tqvbase& t);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    private:
        Tqvbase& m_t;
    };
    // Tells the observers where a long operation has got to.
    void reportProgress(const QString& detail);

    // Observers (journal, status bar) are told of every frame, wait and byte taken.
    void addObserver(ExchangeObserver* observer);
    void removeObserver(ExchangeObserver* observer);

    // Names the operation in progress for the observer.
    class Operation {
    public:
        Operation(Tqvbase& t, const QString& name);
        ~Operation();
    private:
        Tqvbase& m_t;
        QString m_name;
        bool m_refused;   // started while the line was held: nobody hears of it
    };

private:
    SerialPort& m_port;
    Clock& m_clock;
    UiServices& m_ui;
    LinkSettingsModel& m_link;
    std::array<quint8, kTabDsSize> m_tabDs{};
    int m_held = 0;
    int m_linkTestBytes = -1;
    bool m_closingAcknowledged = false;
    std::vector<ShownMessage> m_shown;
    bool m_quiet = false;
    template <class F> void notify(F&& f)
    {
        for (ExchangeObserver* o : m_observers)
            f(*o);
    }
    std::vector<ExchangeObserver*> m_observers;
};

} // namespace kwf
