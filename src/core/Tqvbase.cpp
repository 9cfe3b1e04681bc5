#include "core/Tqvbase.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/LinkSettings.h"
#include "core/SerialPort.h"
#include "core/UiServices.h"

#include <cmath>

namespace kwf {

Tqvbase::Tqvbase(SerialPort& port, Clock& clock, UiServices& ui, LinkSettingsModel& link)
    : m_port(port), m_clock(clock), m_ui(ui), m_link(link)
{
}

bool Tqvbase::responseIgnored() const { return m_link.settings.responseIgnored(); }
bool Tqvbase::wired() const { return m_link.settings.wired(); }

void Tqvbase::ATTENTE(double seconds)
{
    if (busy())
        return;
    const qint64 deadline = m_clock.monotonicMs() + qint64(std::llround(seconds * 1000.0));
    Hold hold(*this);
    m_clock.waitUntil(deadline, m_port.isOpen() ? &m_port : nullptr);
}

bool Tqvbase::busy() const
{
    return m_port.held();
}

Tqvbase::Hold::Hold(Tqvbase& t) : m_t(t)
{
    m_t.m_port.hold();
    if (m_t.m_held++ == 0)
        m_t.notify([](ExchangeObserver& o) { o.waitStarted(); });
}

Tqvbase::Hold::~Hold()
{
    m_t.m_port.release();
    if (--m_t.m_held == 0)
        m_t.notify([](ExchangeObserver& o) { o.waitEnded(); });
}

void Tqvbase::reportProgress(const QString& detail)
{
    notify([&](ExchangeObserver& o) { o.progress(detail); });
}

bool Tqvbase::VERIF_PORT()
{
    // A command started while another exchange holds the line (a late click, an accessibility
    // action, a queued signal) does not start: quietly, as if it had not been asked.
    if (busy())
        return false;
    if (!m_link.portValide) {
        show(QString::fromUtf8(msg::kPortNotValidated), MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool Tqvbase::VERIF_PORT_OUVERT()
{
    if (busy())
        return false;
    if (!m_link.portValide || !m_port.isOpen()) {
        show(QString::fromUtf8(msg::kPortNotValidated), MsgIcon::Exclamation);
        return false;
    }
    return true;
}

void Tqvbase::beginExchange()
{
    if (busy())
        return;
    m_port.clearInput();
    m_port.setDtr(false);   // fails harmlessly on lines without modem control
}

bool Tqvbase::send(const QByteArray& frame)
{
    if (busy())
        return false;   // another exchange holds the line: not even the journal hears of it
    const bool accepted = m_port.isOpen() && m_port.write(frame);
    notify([&](ExchangeObserver& o) { o.frameWritten(frame, accepted); });
    return accepted;
}

int Tqvbase::bytesWaiting()
{
    return !busy() && m_port.isOpen() ? m_port.bytesWaiting() : 0;
}

int Tqvbase::readByte()
{
    const int b = !busy() && m_port.isOpen() ? m_port.readByte() : -1;
    if (b >= 0)
        notify([&](ExchangeObserver& o) { o.byteRead(quint8(b)); });
    return b;
}

bool Tqvbase::TEST_LIAISON()
{
    if (busy())
        return false;
    Operation op(*this, QStringLiteral("TEST_LIAISON"));
    m_linkTestBytes = -1;
    for (int attempt = 0; attempt < 3; ++attempt) {
        beginExchange();
        // A port error (closed, gone) ends the link test at once, without a message.
        if (!send(linkTestFrame()))
            return false;
        ATTENTE(0.9);
        if (responseIgnored())
            return true;
        const int n = bytesWaiting();
        m_linkTestBytes = n;
        notify([&](ExchangeObserver& o) { o.waited(0.9, n); });
        if (n == 1)
            return true;
    }
    // Over the radio module the link test gives up quietly after its three attempts.
    if (wired()) {
        FIN_LIAISON();
        FIN_LIAISON();
        show(QString::fromUtf8(msg::kLinkFailed), MsgIcon::Exclamation);
    }
    return false;
}

bool Tqvbase::FIN_LIAISON()
{
    if (busy())
        return false;
    Operation op(*this, QStringLiteral("FIN_LIAISON"));
    beginExchange();
    const bool written = send(closingFrame());
    m_closingAcknowledged = false;
    if (written)
        ATTENTE(0.1);
    if (responseIgnored())
        return true;
    const int n = bytesWaiting();
    notify([&](ExchangeObserver& o) { o.waited(0.1, n); });
    m_closingAcknowledged = written && n == 1;
    return m_closingAcknowledged;
}

void Tqvbase::show(const QString& text, MsgIcon icon)
{
    // Commands start the list afresh; messages shown outside them are not kept for long.
    if (m_shown.size() >= 64)
        m_shown.erase(m_shown.begin());
    m_shown.push_back({text, icon});
    if (!m_quiet)
        m_ui.message(text, icon);
}

void Tqvbase::COMPTE_RENDU(const CmdResult& r, const QString& successText)
{
    if (busy())
        return;
    FIN_LIAISON();
    if (responseIgnored())
        return;
    if (r.ok) {
        notify([&](ExchangeObserver& o) { o.outcome(successText); });
        show(successText, MsgIcon::Information);
    } else if (wired()) {
        notify([&](ExchangeObserver& o) { o.outcome(QString::fromUtf8(msg::kWiredFailure)); });
        show(QString::fromUtf8(msg::kWiredFailure), MsgIcon::Exclamation);
    } else {
        notify([&](ExchangeObserver& o) { o.outcome(QString::fromUtf8(msg::kWirelessFailure)); });
        show(QString::fromUtf8(msg::kWirelessFailure), MsgIcon::Information);
    }
}

CmdResult Tqvbase::writeRegisters(int firstRegister, const QByteArray& values, const WritePlan& plan)
{
    const double wait = plan.wait;
    beginExchange();
    for (int i = 0; i < values.size(); ++i) {
        if (!send(registerWriteFrame(firstRegister + i, quint8(values[i]), plan.shape.preamble, plan.shape.endRun)))
            return CmdResult::counted(false, int(values.size()), bytesWaiting());
    }
    ATTENTE(wait);
    const int n = bytesWaiting();
    notify([&](ExchangeObserver& o) { o.waited(wait, n); });
    return CmdResult::counted(n == values.size(), int(values.size()), n);
}

int Tqvbase::sendReads(const std::vector<int>& registers, const ReadPlan& plan)
{
    const double perFrameWait = plan.perFrameWait, finalWait = plan.finalWait;
    beginExchange();
    for (int reg : registers) {
        if (!send(registerReadFrame(reg, plan.shape.preamble, plan.shape.endRun)))
            return -1;
        if (perFrameWait > 0)
            ATTENTE(perFrameWait);
    }
    ATTENTE(finalWait);
    const int n = bytesWaiting();
    notify([&](ExchangeObserver& o) { o.waited(finalWait, n); });
    return n;
}

int Tqvbase::LIT_REG(int reg)
{
    Operation op(*this, QStringLiteral("LIT_REG"));
    const int n = sendReads({reg}, plan::kRegisterRead);
    if (n != 1)
        return -1;
    return readByte();
}

CmdResult Tqvbase::ECRI_REG(int reg, quint8 value)
{
    Operation op(*this, QStringLiteral("ECRI_REG"));
    return writeRegisters(reg, QByteArray(1, char(value)), plan::kRegisterWrite);
}

void Tqvbase::addObserver(ExchangeObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void Tqvbase::removeObserver(ExchangeObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

Tqvbase::Operation::Operation(Tqvbase& t, const QString& name) : m_t(t), m_name(name), m_refused(t.busy())
{
    if (!m_refused)
        m_t.notify([&](ExchangeObserver& o) { o.operationStarted(m_name); });
}

Tqvbase::Operation::~Operation()
{
    if (!m_refused)
        m_t.notify([&](ExchangeObserver& o) { o.operationFinished(m_name); });
}

} // namespace kwf
