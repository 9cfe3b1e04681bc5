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
// The clock advances once per second of its own oscillator while the halt bit (bit 7 of register
// 0) is clear; writing the seconds register restarts the second being counted, as the chip's
// divider does. The oscillator may run fast or slow (setDrift).
// The line runs at 9600 baud, 8N2: each byte takes 11 bit times to arrive, the panel acts on a
// frame when its last byte has arrived, and its answer takes its own line time back.
// After a closing frame the panel streams one DCF77 character per second until the next link
// test frame.
class PanelModel {
public:
    static constexpr int kRegisterCount = 64;
    static constexpr quint8 kAck = 0x06;
    // Milliseconds one byte takes on the line: 11 bits at 9600 baud.
    static constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;
    using Image = std::array<quint8, kRegisterCount>;

    // A fresh panel: clock running and reading 'start' (its milliseconds included: the current
    // second began that long before startMs), plausible relay, switch, brightness and
    // last-synchronisation data.
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
    // receive() then takeDue() once the line has carried the bytes and their answers.
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
    // Sets the clock so that it reads dt now, dt's milliseconds included.
    void setClock(const QDateTime& dt);
    // The clock at time ms (not earlier than the model's time), the fraction of its current
    // second included; invalid when the registers hold no valid date.
    QDateTime preciseClock(qint64 ms);
    // The oscillator's error in parts per million: positive runs fast.
    void setDrift(double ppm) { m_secondMs = 1000.0 / (1.0 + ppm * 1e-6); }
    double secondMs() const { return m_secondMs; }
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
    // Moves the panel's time to t (fractional milliseconds); never backwards.
    void advanceExact(double t);
    void emitDcfSlot(qint64 slotMs, qint64 slotTx);
    // Transmitter milliseconds since the wall origin at line time ms, and back (rounded up).
    qint64 txMs(qint64 ms) const { return (ms - m_wallOriginMs) * m_dcfRate; }
    qint64 lineMs(qint64 tx) const { return m_wallOriginMs + (tx + m_dcfRate - 1) / m_dcfRate; }
    QByteArray dcfMinuteChars(const QDateTime& minuteStart);
    bool chance(double percent);

    Image m_regs{};
    qint64 m_nowMs = 0;
    double m_exactMs = 0;         // the model's time, to the fraction of a millisecond
    double m_secondStartMs = 0;   // when the chip's current second began
    double m_secondMs = 1000.0;   // length of the chip's second on the line's time
    double m_inFreeMs = 0;        // the incoming line is busy until then
    double m_outFreeMs = 0;       // the outgoing line is busy until then
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
