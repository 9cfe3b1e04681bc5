#pragma once
#include <QByteArray>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <random>

namespace kwf::emu {

// Faults a test or a demo can switch on, each on its own.
struct PanelFaults {
    bool silent = false;           // never answers
    int silentAfterFrames = -1;    // answers the first N frames, then nothing (-1: off)
    bool extraByte = false;        // every answer carries one byte too many
    int answerDelayMs = 0;         // answers become available only after this delay (slow radio link)
    bool wrongMarkers = false;     // reads of the relay and brightness markers (15, 48, 50) come back wrong
    int unplugAfterFrames = -1;    // the line goes away after N frames (-1: off)
    int ignoredRegister = -1;      // writes to this register are acknowledged but not kept (-1: off)
    // DCF77 stream, in percent per second, drawn at random (seeded, so runs repeat).
    double dcfErrorMarkPercent = 0;  // an "E" after the second's character
    double dcfLostPercent = 0;       // the second's character is lost
    double dcfExtraPercent = 0;      // the second's character comes twice
};

// What a panel does, with no I/O: it takes the bytes the tool writes, at a given time on a
// monotonic millisecond scale, and gives the bytes it answers once their time has come.
//
// State: the DS1307 image of 64 registers (0 to 7 the clock in BCD, 8 to 63 battery-backed RAM).
// The clock advances once per second while the halt bit (bit 7 of register 0) is clear.
// After a closing frame the panel streams one DCF77 character per second until the next link
// test frame.
class PanelModel {
public:
    static constexpr int kRegisterCount = 64;
    static constexpr quint8 kAck = 0x06;
    using Image = std::array<quint8, kRegisterCount>;

    // A fresh panel: clock running and set from 'start' at time startMs, plausible relay,
    // switch, brightness and last-synchronisation data.
    explicit PanelModel(const QDateTime& start = QDateTime::currentDateTime(), qint64 startMs = 0);

    // The image a fresh panel holds, with its clock at 'clock'.
    static Image defaultImage(const QDateTime& clock);

    // Bytes from the tool at nowMs (never earlier than an earlier call). Answers are scheduled
    // and handed out by takeDue().
    void receive(const QByteArray& bytes, qint64 nowMs);
    // Every byte whose time has come by nowMs, in order (answers, DCF77 characters).
    QByteArray takeDue(qint64 nowMs);
    // When the next byte becomes due; max() when nothing is scheduled.
    qint64 nextDueMs() const;
    // receive() then takeDue(): the answer a panel gives at once.
    QByteArray exchange(const QByteArray& bytes, qint64 nowMs);

    // Moves the panel's time to nowMs: the clock ticks and the DCF77 stream runs.
    void advanceTo(qint64 nowMs);
    qint64 nowMs() const { return m_nowMs; }

    // Registers.
    quint8 reg(int r) const { return m_regs[size_t(r & 63)]; }
    void setReg(int r, quint8 v);
    const Image& registers() const { return m_regs; }
    void setRegisters(const Image& image);
    // The clock registers read as a date and time; invalid when they hold no valid date.
    QDateTime clockDateTime() const;
    void setClock(const QDateTime& dt);
    bool clockHalted() const { return (m_regs[0] & 0x80) != 0; }

    // Faults.
    PanelFaults& faults() { return m_faults; }
    const PanelFaults& faults() const { return m_faults; }
    // True once the line has gone away (unplugAfterFrames reached); the panel then ignores input.
    bool unplugged() const { return m_unplugged; }
    // The line is back (the unplug fault is switched off).
    void replug() { m_unplugged = false; m_faults.unplugAfterFrames = -1; }

    // Called for every accepted frame with its six body characters and what the panel answers
    // (empty when it stays silent). For journals; must not touch the model.
    std::function<void(const QByteArray& body, const QByteArray& answer)> onFrame;

    // Counters.
    int framesAccepted() const { return m_frames; }
    QByteArray lastFrame() const { return m_lastFrame; }

    // DCF77 stream.
    bool streaming() const { return m_streaming; }
    void startStream(qint64 nowMs);
    void stopStream() { m_streaming = false; }
    // The civil time the DCF77 transmitter sends (the panel's real time), at time ms.
    QDateTime wallTimeAt(qint64 ms) const { return m_wallOrigin.addMSecs(txMs(ms)); }
    void setWallTime(const QDateTime& dt, qint64 atMs) { m_wallOrigin = dt; m_wallOriginMs = atMs; }
    // The transmitter's time runs this many times faster than the panel's line (demonstrations
    // and benchmarks: a minute of stream every second at 60). Set before the stream starts.
    void setDcfRate(int rate) { m_dcfRate = std::max(1, rate); }
    // One-shot stream faults: at the given second (0 to 58) of the next minute that reaches it.
    enum class DcfFault { ErrorMark, LostSecond, ExtraSecond };
    void injectDcf(DcfFault fault, int second);
    // Delay after the start of a DCF77 second at which the panel sends that second's character.
    static constexpr int kDcfCharOffsetMs = 250;
    void seedRandom(unsigned seed) { m_rng.seed(seed); }

private:
    void byteIn(quint8 c);
    void frameComplete();
    void answer(const QByteArray& bytes);
    void tick();
    void emitDcfSlot(qint64 slotMs, qint64 slotTx);
    // Transmitter milliseconds since the wall origin at line time ms, and back (rounded up).
    qint64 txMs(qint64 ms) const { return (ms - m_wallOriginMs) * m_dcfRate; }
    qint64 lineMs(qint64 tx) const { return m_wallOriginMs + (tx + m_dcfRate - 1) / m_dcfRate; }
    QByteArray dcfMinuteChars(const QDateTime& minuteStart);
    bool chance(double percent);

    Image m_regs{};
    qint64 m_nowMs = 0;
    qint64 m_nextTickMs = 0;
    PanelFaults m_faults;
    bool m_unplugged = false;

    // Frame parser.
    enum class St { Idle, Preamble, Body, End, Trailing } m_st = St::Idle;
    std::array<quint8, 6> m_body{};
    int m_bodyLen = 0;
    QByteArray m_lastFrame;
    QByteArray m_lastAnswer;
    int m_frames = 0;

    struct Out { qint64 atMs; QByteArray bytes; };
    std::deque<Out> m_out;
    static constexpr int kMaxPending = 65536;
    int m_pendingBytes = 0;

    // DCF77 stream.
    QDateTime m_wallOrigin;
    qint64 m_wallOriginMs = 0;
    bool m_streaming = false;
    qint64 m_nextSlotTx = 0;   // on the transmitter's time
    int m_dcfRate = 1;
    qint64 m_cachedMinuteKey = std::numeric_limits<qint64>::min();
    QByteArray m_cachedMinute;
    std::multimap<int, DcfFault> m_injections;   // by second of minute
    std::mt19937 m_rng{12345};
};

} // namespace kwf::emu
