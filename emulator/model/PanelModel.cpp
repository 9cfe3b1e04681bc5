#include "model/PanelModel.h"
#include "core/Bcd.h"
#include "core/Dcf77Minute.h"

#include <algorithm>
#include <cmath>

namespace kwf::emu {

namespace {

enum : quint8 { kRead = 0x20, kWrite = 0x40, kLinkTest = 0xC0, kClosing = 0xD0 };

bool isBase(quint8 b) { return b == kRead || b == kWrite || b == kLinkTest || b == kClosing; }

// BCD byte as a number, tolerating digits over 9 (a chip holding rubbish still counts).
int num(quint8 b) { return (b >> 4) * 10 + (b & 0x0F); }

int daysInMonth(int month, int year2)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2)
        return (year2 % 4 == 0) ? 29 : 28;   // the DS1307's rule, right for 2000 to 2099
    if (month < 1 || month > 12)
        return 31;
    return days[month - 1];
}

void putClock(PanelModel::Image& img, int first, const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    img[size_t(first + 0)] = toBcd(t.second());
    img[size_t(first + 1)] = toBcd(t.minute());
    img[size_t(first + 2)] = toBcd(t.hour());
    img[size_t(first + 3)] = quint8(d.dayOfWeek());
    img[size_t(first + 4)] = toBcd(d.day());
    img[size_t(first + 5)] = toBcd(d.month());
    img[size_t(first + 6)] = toBcd(d.year() % 100);
    img[size_t(first + 7)] = 0x00;
}

} // namespace

PanelModel::Image PanelModel::defaultImage(const QDateTime& clock)
{
    Image img{};
    putClock(img, 0, clock);
    // Command block: last brightness command (automatic, level 5, fast detection).
    const quint8 command[] = {0xC0, 0x41, 0x05, 0x10, 0x00};
    std::copy(std::begin(command), std::end(command), img.begin() + 10);
    // Relay 1: marker, then alarms (day mask, hour, minute, duration in seconds).
    // Register 20 (alarm 2's day mask) doubles as the switch image marker 0x41; 21 and 22 are
    // the switch banks.
    const quint8 relay1[] = {0xCC,
                             0x1F, 0x08, 0x00, 0x05,
                             0x41, 0x12, 0x30, 0x05,
                             0x1F, 0x17, 0x30, 0x0A,
                             0x00, 0x00, 0x00, 0x01};
    std::copy(std::begin(relay1), std::end(relay1), img.begin() + 15);
    // Relay 2: four alarms, then the marker.
    const quint8 relay2[] = {0x1F, 0x10, 0x00, 0x03,
                             0x20, 0x09, 0x00, 0x03,
                             0x00, 0x00, 0x00, 0x01,
                             0x00, 0x00, 0x00, 0x01,
                             0xCC};
    std::copy(std::begin(relay2), std::end(relay2), img.begin() + 32);
    // Brightness: marker, automatic by the sensor, level 5, fast detection, 0.
    const quint8 brightness[] = {0xCC, 0x41, 0x05, 0x10, 0x00};
    std::copy(std::begin(brightness), std::end(brightness), img.begin() + 50);
    // Last DCF77 synchronisation: 03:00:00 today, or yesterday before that hour.
    QDateTime sync(clock.date(), QTime(3, 0, 0));
    if (clock.time() < QTime(3, 0, 0))
        sync = sync.addDays(-1);
    putClock(img, 56, sync);
    return img;
}

PanelModel::PanelModel(const QDateTime& start, qint64 startMs)
    : m_regs(defaultImage(start)), m_nowMs(startMs), m_exactMs(double(startMs)),
      m_secondStartMs(double(startMs - start.time().msec())), m_inFreeMs(double(startMs)),
      m_outFreeMs(double(startMs)), m_wallOrigin(start), m_wallOriginMs(startMs)
{
}

void PanelModel::setReg(int r, quint8 v)
{
    r &= 63;
    m_regs[size_t(r)] = v;
    if (r == 0)
        m_secondStartMs = m_exactMs;   // writing the seconds restarts the chip's divider
}

void PanelModel::setRegisters(const Image& image)
{
    m_regs = image;
    m_secondStartMs = m_exactMs;
}

QDateTime PanelModel::clockDateTime() const
{
    const auto s = bcdToInt(m_regs[0] & 0x7F), m = bcdToInt(m_regs[1]);
    const auto d = bcdToInt(m_regs[4]), mo = bcdToInt(m_regs[5]), y = bcdToInt(m_regs[6]);
    std::optional<int> h;
    if (m_regs[2] & 0x40) {   // 12-hour form
        const auto h12 = bcdToInt(m_regs[2] & 0x1F);
        if (h12 && *h12 >= 1 && *h12 <= 12)
            h = (*h12 % 12) + ((m_regs[2] & 0x20) ? 12 : 0);
    } else {
        h = bcdToInt(m_regs[2] & 0x3F);
    }
    if (!s || !m || !h || !d || !mo || !y)
        return QDateTime();
    const QDate date(2000 + *y, *mo, *d);
    const QTime time(*h, *m, *s);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

void PanelModel::setClock(const QDateTime& dt)
{
    const quint8 control = m_regs[7];
    putClock(m_regs, 0, dt);
    m_regs[7] = control;
    m_secondStartMs = m_exactMs - dt.time().msec() * m_secondMs / 1000.0;
}

QDateTime PanelModel::preciseClock(qint64 ms)
{
    advanceTo(ms);
    const QDateTime whole = clockDateTime();
    if (!whole.isValid() || clockHalted())
        return whole;
    const double into = (std::max(double(ms), m_exactMs) - m_secondStartMs) * 1000.0 / m_secondMs;
    return whole.addMSecs(qint64(std::llround(into)));
}

void PanelModel::tick()
{
    int sec = num(m_regs[0] & 0x7F) + 1;
    if (sec < 60) {
        m_regs[0] = toBcd(sec);
        return;
    }
    m_regs[0] = 0x00;
    int min = num(m_regs[1]) + 1;
    if (min < 60) {
        m_regs[1] = toBcd(min);
        return;
    }
    m_regs[1] = 0x00;
    bool newDay = false;
    if (m_regs[2] & 0x40) {   // 12-hour form: bit 5 = PM
        const int h = num(m_regs[2] & 0x1F);
        bool pm = (m_regs[2] & 0x20) != 0;
        int next = h + 1;
        if (h == 11) {
            pm = !pm;
            newDay = !pm;
        }
        if (next > 12)
            next = 1;
        m_regs[2] = quint8(0x40 | (pm ? 0x20 : 0) | toBcd(next));
    } else {
        int h = num(m_regs[2] & 0x3F) + 1;
        if (h >= 24) {
            h = 0;
            newDay = true;
        }
        m_regs[2] = toBcd(h);
    }
    if (!newDay)
        return;
    const int wd = m_regs[3] & 0x07;
    m_regs[3] = quint8(wd >= 7 ? 1 : wd + 1);
    const int year = num(m_regs[6]), month = num(m_regs[5]);
    int day = num(m_regs[4]) + 1;
    if (day <= daysInMonth(month, year)) {
        m_regs[4] = toBcd(day);
        return;
    }
    m_regs[4] = 0x01;
    if (month + 1 <= 12) {
        m_regs[5] = toBcd(month + 1);
        return;
    }
    m_regs[5] = 0x01;
    m_regs[6] = toBcd(year + 1 > 99 ? 0 : year + 1);
}

void PanelModel::advanceTo(qint64 nowMs)
{
    advanceExact(double(nowMs));
}

void PanelModel::advanceExact(double t)
{
    if (t < m_exactMs)
        return;
    if (clockHalted())
        m_secondStartMs = t;   // the oscillator stands still
    while (!clockHalted() && m_secondStartMs + m_secondMs <= t) {
        tick();
        m_secondStartMs += m_secondMs;
    }
    m_exactMs = t;
    const qint64 nowMs = std::max(m_nowMs, qint64(std::floor(t)));
    if (m_streaming) {
        // A stream left unread for longer than the line could buffer: only the tail matters.
        const qint64 txNow = txMs(nowMs);
        const qint64 oldest = txNow - qint64(kMaxPending) * 1000;
        if (m_nextSlotTx < oldest)
            m_nextSlotTx += ((oldest - m_nextSlotTx) / 1000) * 1000;
        while (m_nextSlotTx <= txNow) {
            emitDcfSlot(lineMs(m_nextSlotTx), m_nextSlotTx);
            m_nextSlotTx += 1000;
        }
    }
    m_nowMs = nowMs;
}

void PanelModel::receive(const QByteArray& bytes, qint64 nowMs)
{
    advanceTo(nowMs);
    if (m_unplugged)
        return;
    for (char c : bytes) {
        // Each byte arrives once the line has carried it, after the bytes before it.
        m_inFreeMs = std::max(m_inFreeMs, double(nowMs)) + kByteMs;
        advanceExact(m_inFreeMs);
        byteIn(quint8(c));
        if (m_unplugged)
            return;
    }
}

QByteArray PanelModel::takeDue(qint64 nowMs)
{
    advanceTo(nowMs);
    QByteArray out;
    while (!m_out.empty() && m_out.front().atMs <= nowMs) {
        out.append(m_out.front().bytes);
        m_pendingBytes -= int(m_out.front().bytes.size());
        m_out.pop_front();
    }
    return out;
}

qint64 PanelModel::nextDueMs() const
{
    qint64 next = std::numeric_limits<qint64>::max();
    if (!m_out.empty())
        next = m_out.front().atMs;
    if (m_streaming)
        next = std::min(next, lineMs(m_nextSlotTx));
    return next;
}

QByteArray PanelModel::exchange(const QByteArray& bytes, qint64 nowMs)
{
    receive(bytes, nowMs);
    return takeDue(std::max(nowMs, qint64(std::ceil(std::max(m_inFreeMs, m_outFreeMs)))));
}

void PanelModel::byteIn(quint8 c)
{
    switch (m_st) {
    case St::Idle:
        if (c == 0x02)
            m_st = St::Preamble;
        break;
    case St::Preamble:
        if (c == '1') {
            m_st = St::Body;
            m_bodyLen = 0;
        } else if (c != 0x02) {
            m_st = St::Idle;
        }
        break;
    case St::Body: {
        const quint8 base = c & 0xF0;
        if (c == 0x02) {
            m_st = St::Preamble;   // a new frame begins: the broken one is dropped
        } else if (!isBase(base) || (m_bodyLen > 0 && base != (m_body[0] & 0xF0))) {
            m_st = St::Idle;
        } else {
            m_body[size_t(m_bodyLen++)] = c;
            if (m_bodyLen == 6)
                m_st = St::End;
        }
        break;
    }
    case St::End:
        if (c == 0x03) {
            m_st = St::Trailing;
            frameComplete();
        } else {
            m_st = c == 0x02 ? St::Preamble : St::Idle;
        }
        break;
    case St::Trailing:
        if (c == 0x02)
            m_st = St::Preamble;
        else if (c != 0x03)
            m_st = St::Idle;
        break;
    }
}

void PanelModel::answer(const QByteArray& bytes)
{
    QByteArray b = bytes;
    if (m_faults.extraByte)
        b.append(char(0xFF));
    m_lastAnswer = b;
    if (m_pendingBytes + b.size() > kMaxPending)
        return;   // the line's buffer is full: lost
    // The answer takes its line time behind any answer still going out; a slow link then delays
    // every answer alike.
    m_outFreeMs = std::max(m_outFreeMs, m_exactMs) + kByteMs * double(b.size());
    const qint64 at = qint64(std::ceil(m_outFreeMs)) + std::max(0, m_faults.answerDelayMs);
    auto it = std::upper_bound(m_out.begin(), m_out.end(), at,
                               [](qint64 t, const Out& o) { return t < o.atMs; });
    m_out.insert(it, Out{at, b});
    m_pendingBytes += int(b.size());
}

void PanelModel::frameComplete()
{
    ++m_frames;
    const quint8 base = m_body[0] & 0xF0;
    m_lastFrame = QByteArray(reinterpret_cast<const char*>(m_body.data()), 6);

    m_lastAnswer.clear();
    const bool deaf = m_faults.silent ||
                      (m_faults.silentAfterFrames >= 0 && m_frames > m_faults.silentAfterFrames);
    if (!deaf) {
        const int reg = ((m_body[2] & 0x0F) << 4 | (m_body[3] & 0x0F)) & 63;
        const quint8 value = quint8((m_body[4] & 0x0F) << 4 | (m_body[5] & 0x0F));
        switch (base) {
        case kRead: {
            quint8 v = m_regs[size_t(reg)];
            if (m_faults.wrongMarkers && (reg == 15 || reg == 48 || reg == 50))
                v ^= 0xFF;
            answer(QByteArray(1, char(v)));
            break;
        }
        case kWrite:
            if (reg != m_faults.ignoredRegister)
                setReg(reg, value);
            answer(QByteArray(1, char(kAck)));
            break;
        case kLinkTest:
            stopStream();
            answer(QByteArray(1, char(kAck)));
            break;
        case kClosing:
            answer(QByteArray(1, char(kAck)));
            startStream(m_nowMs);
            break;
        }
    }
    if (onFrame)
        onFrame(m_lastFrame, m_lastAnswer);
    if (m_faults.unplugAfterFrames >= 0 && m_frames >= m_faults.unplugAfterFrames)
        m_unplugged = true;
}

// ---- DCF77 stream -------------------------------------------------------------------------

void PanelModel::startStream(qint64 nowMs)
{
    if (m_streaming)
        return;
    m_streaming = true;
    const qint64 tx = txMs(nowMs);
    const int intoSecond = wallTimeAt(nowMs).time().msec();
    qint64 slot = tx - intoSecond + kDcfCharOffsetMs;
    if (slot <= tx)
        slot += 1000;
    m_nextSlotTx = slot;
}

void PanelModel::injectDcf(DcfFault fault, int second)
{
    if (second >= 0 && second <= 58)
        m_injections.emplace(second, fault);
}

bool PanelModel::chance(double percent)
{
    if (percent <= 0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 100.0)(m_rng) < percent;
}

QByteArray PanelModel::dcfMinuteChars(const QDateTime& minuteStart)
{
    const qint64 key = minuteStart.toMSecsSinceEpoch();
    if (key != m_cachedMinuteKey) {
        // Each minute's telegram announces the time of the next minute mark.
        const QDateTime next = minuteStart.addSecs(60);
        const Dcf77Minute m = Dcf77Minute::fromDateTime(next, Dcf77Minute::isSummerTime(next));
        m_cachedMinute = Dcf77Minute::toChars(m.encode());
        m_cachedMinuteKey = key;
    }
    return m_cachedMinute;
}

void PanelModel::emitDcfSlot(qint64 slotMs, qint64 slotTx)
{
    const QDateTime wall = m_wallOrigin.addMSecs(slotTx - kDcfCharOffsetMs);
    const int second = wall.time().second();
    if (second > 58)
        return;   // second 59 carries no pulse
    const QDateTime minuteStart = wall.addMSecs(-(second * 1000 + wall.time().msec()));
    const char c = dcfMinuteChars(minuteStart).at(second);

    bool lost = chance(m_faults.dcfLostPercent);
    bool extra = chance(m_faults.dcfExtraPercent);
    bool mark = chance(m_faults.dcfErrorMarkPercent);
    for (auto it = m_injections.find(second); it != m_injections.end() && it->first == second;
         it = m_injections.erase(it)) {
        lost |= it->second == DcfFault::LostSecond;
        extra |= it->second == DcfFault::ExtraSecond;
        mark |= it->second == DcfFault::ErrorMark;
    }
    QByteArray bytes;
    if (extra)
        bytes.append(c == '2' || c == '3' ? '0' : c);   // an extra pulse inside the minute
    if (!lost)
        bytes.append(c);
    if (mark)
        bytes.append('E');
    if (bytes.isEmpty() || m_pendingBytes + bytes.size() > kMaxPending)
        return;
    const Out o{slotMs, bytes};
    auto pos = std::upper_bound(m_out.begin(), m_out.end(), slotMs,
                                [](qint64 t, const Out& x) { return t < x.atMs; });
    m_out.insert(pos, o);
    m_pendingBytes += int(bytes.size());
}

} // namespace kwf::emu
