#include "core/Dcf77Log.h"
#include "core/Dcf77Reception.h"
#include "core/ExchangeJournal.h"
#include "SimClock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <functional>

using namespace kwf;

namespace {

using Bits = Dcf77Bits;

// The telegram announcing a civil minute, as the emulated panel sends it.
Bits telegram(const QDateTime& announced)
{
    return Dcf77Minute::fromDateTime(announced, Dcf77Minute::isSummerTime(announced)).encode();
}
QByteArray chars(const Bits& b) { return Dcf77Minute::toChars(b); }

QDateTime at(int y, int mo, int d, int h, int mi) { return QDateTime(QDate(y, mo, d), QTime(h, mi)); }

struct Feeder {
    Dcf77Reception r;
    qint64 ms = 0;
    const Dcf77MinuteRecord* last = nullptr;
    void feed(const QByteArray& s)
    {
        for (char c : s) {
            ms += c == 'E' ? 0 : 1000;
            if (const Dcf77MinuteRecord* rec = r.feed(c, ms))
                last = rec;
        }
    }
};

QString json(const QJsonValue& v)
{
    return QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
}

} // namespace

// Each way a minute can fail, once, after a good minute (so that it is no first line).
TEST(Dcf77Reception, EachWayAMinuteFails)
{
    const QDateTime t = at(2026, 12, 5, 10, 0);   // Saturday
    const Bits good = telegram(t);
    auto spoil = [&](std::function<void(Bits&)> f) { Bits b = good; f(b); return chars(b); };
    Dcf77Minute wrongDay = Dcf77Minute::fromDateTime(t, false);
    wrongDay.weekday = 3;
    Dcf77Minute april31 = Dcf77Minute::fromDateTime(at(2026, 4, 30, 10, 0), true);
    april31.day = 31;
    const QByteArray ok = chars(good);
    struct Case { QByteArray in; const char* etat; const char* raison; int secondes, erreurs; Dcf77MinuteRecord::Kind kind; };
    using K = Dcf77MinuteRecord::Kind;
    const Case cases[] = {
        {ok, "decodee", "", 59, 0, K::Decoded},
        {spoil([](Bits& b) { b[0] = 1; }), "indecodable", "bit de début de minute (0) à 1", 59, 0, K::Undecodable},
        {spoil([](Bits& b) { b[20] = 0; }), "indecodable", "bit de début de l'heure (20) à 0", 59, 0, K::Undecodable},
        {spoil([](Bits& b) { b[17] = b[18]; }), "indecodable", "bits de fuseau (17 et 18) incohérents", 59, 0, K::Undecodable},
        {spoil([](Bits& b) { b[21] ^= 1; }), "indecodable", "parité des minutes", 59, 0, K::Undecodable},
        {spoil([](Bits& b) { b[29] ^= 1; }), "indecodable", "parité des heures", 59, 0, K::Undecodable},
        {spoil([](Bits& b) { b[45] ^= 1; }), "indecodable", "parité de la date", 59, 0, K::Undecodable},
        // Minute units 10: two more ones keep the parity even.
        {spoil([](Bits& b) { b[22] = b[24] = 1; }), "indecodable", "minutes : code BCD invalide", 59, 0, K::Undecodable},
        {chars(april31.encode()), "indecodable", "date impossible", 59, 0, K::Undecodable},
        {chars(wrongDay.encode()), "indecodable", "jour de la semaine différent de celui de la date", 59, 0, K::Undecodable},
        {ok.left(30) + "E" + ok.mid(30), "indecodable", "1 marque d'erreur du récepteur", 59, 1, K::ErrorMarks},
        {ok.left(30) + "x" + ok.mid(30), "indecodable", "caractère inattendu reçu", 59, 0, K::Undecodable},
        {ok.left(10) + ok.mid(12), "incomplete", "2 secondes perdues", 57, 0, K::WrongLength},
        {ok.left(10) + "E" + ok.mid(11), "incomplete", "1 seconde perdue, 1 marque d'erreur", 58, 1, K::ErrorMarks},
        {ok.left(58) + '0' + ok, "incomplete", "marque de minute (seconde 59) manquée", 118, 0, K::WrongLength},
        {ok.left(10) + "00" + ok.mid(10), "trop_longue", "2 secondes en trop", 61, 0, K::WrongLength},
        // One second more where no leap second was announced.
        {ok.left(58) + char(ok[58] - 2) + "2", "trop_longue", "1 seconde en trop", 60, 0, K::WrongLength},
    };
    for (const Case& c : cases) {
        Feeder f;
        f.feed(ok);
        f.feed(c.in);
        ASSERT_EQ(f.r.records().size(), 2u) << c.raison;
        const Dcf77MinuteRecord& r = f.r.records().back();
        const QJsonObject o = r.toJson();
        EXPECT_EQ(o[QStringLiteral("etat")].toString(), QString::fromLatin1(c.etat)) << c.raison;
        EXPECT_EQ(o[QStringLiteral("raison")].toString(), QString::fromUtf8(c.raison)) << c.raison;
        EXPECT_EQ(o[QStringLiteral("secondes")].toInt(), c.secondes) << c.raison;
        EXPECT_EQ(o[QStringLiteral("erreurs")].toInt(), c.erreurs) << c.raison;
        EXPECT_EQ(r.kind(), c.kind) << c.raison;
        EXPECT_EQ(o[QStringLiteral("heure")].isNull(), !r.decoded()) << c.raison;
    }
    // The first line after a start or a clear is cut by the start of listening.
    Feeder f;
    f.feed(ok.mid(40));
    EXPECT_EQ(f.last->reason, QStringLiteral("minute commencée avant l'écoute"));
    f.r.clear(f.ms);
    f.feed(ok.mid(20));
    EXPECT_TRUE(f.last->listeningStart);
}

// Recorded sequences: the change to summer time, and a leap second. Each decoded minute follows
// the one before in absolute time; the first partial line counts as an incomplete minute.
TEST(Dcf77Reception, ReplaysOfSummerTimeAndLeapSecond)
{
    auto seq = [](std::vector<QDateTime> minutes, int announceBit, bool leapLast) {
        QByteArray s = "0010";   // the end of a minute begun before listening
        s += char('2');
        for (size_t i = 0; i < minutes.size(); ++i) {
            Bits b = telegram(minutes[i]);
            if (i + 1 < minutes.size())
                b[size_t(announceBit)] = 1;   // announced through the hour before
            QByteArray c = chars(b);
            if (leapLast && i + 2 == minutes.size())
                c = c.left(58) + char('0' + b[58]) + "2";   // the leap second, bit 0
            s += c;
        }
        return s;
    };
    struct Case { const char* name; QByteArray stream; const char* expected; };
    const Case cases[] = {
        {"été", seq({at(2026, 3, 29, 1, 58), at(2026, 3, 29, 1, 59), at(2026, 3, 29, 3, 0), at(2026, 3, 29, 3, 1)}, 16, false),
         R"([{"erreurs":0,"etat":"incomplete","heure":null,"raison":"minute commencée avant l'écoute","secondes":5},)"
         R"({"annonce_changement":true,"annonce_seconde_intercalaire":false,"erreurs":0,"etat":"decodee","fuseau":"CET","heure":"2026-03-29T01:58:00+01:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":null},)"
         R"({"annonce_changement":true,"annonce_seconde_intercalaire":false,"erreurs":0,"etat":"decodee","fuseau":"CET","heure":"2026-03-29T01:59:00+01:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":true},)"
         R"({"annonce_changement":true,"annonce_seconde_intercalaire":false,"erreurs":0,"etat":"decodee","fuseau":"CEST","heure":"2026-03-29T03:00:00+02:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":true},)"
         R"({"annonce_changement":false,"annonce_seconde_intercalaire":false,"erreurs":0,"etat":"decodee","fuseau":"CEST","heure":"2026-03-29T03:01:00+02:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":true}])"},
        {"intercalaire", seq({at(2017, 1, 1, 0, 59), at(2017, 1, 1, 1, 0), at(2017, 1, 1, 1, 1)}, 19, true),
         R"([{"erreurs":0,"etat":"incomplete","heure":null,"raison":"minute commencée avant l'écoute","secondes":5},)"
         R"({"annonce_changement":false,"annonce_seconde_intercalaire":true,"erreurs":0,"etat":"decodee","fuseau":"CET","heure":"2017-01-01T00:59:00+01:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":null},)"
         R"({"annonce_changement":false,"annonce_seconde_intercalaire":true,"erreurs":0,"etat":"decodee","fuseau":"CET","heure":"2017-01-01T01:00:00+01:00","raison":null,"seconde_intercalaire":true,"secondes":60,"suite":true},)"
         R"({"annonce_changement":false,"annonce_seconde_intercalaire":false,"erreurs":0,"etat":"decodee","fuseau":"CET","heure":"2017-01-01T01:01:00+01:00","raison":null,"seconde_intercalaire":false,"secondes":59,"suite":true}])"},
    };
    for (const Case& c : cases) {
        Feeder f;
        f.feed(c.stream);
        const QJsonObject o = f.r.toJson(f.ms);
        EXPECT_EQ(json(o[QStringLiteral("minutes")]), QString::fromUtf8(c.expected)) << c.name;
        const QJsonObject k = o[QStringLiteral("compteurs")].toObject();
        EXPECT_EQ(k[QStringLiteral("decodees")].toInt(), k[QStringLiteral("minutes")].toInt() - 1) << c.name;
    }
}

// Counters and verdict: quality over 10 minutes, the hour and the session, the longest run,
// the time since the last decoded minute, a decoded minute that does not follow the last one.
TEST(Dcf77Reception, CountersAndVerdict)
{
    const QByteArray lost = chars(telegram(at(2026, 12, 5, 9, 0))).mid(3);
    auto goodAt = [](int minute) { return chars(telegram(at(2026, 12, 5, 10, minute))); };
    Feeder f;
    EXPECT_EQ(f.r.verdict(0), QStringLiteral("En attente de la première minute"));
    f.feed(lost);   // first line
    for (int m = 0; m < 20; ++m)
        f.feed(goodAt(m));
    EXPECT_EQ(f.r.verdict(f.ms), QStringLiteral("Réception bonne"));
    for (int m = 0; m < 6; ++m)
        f.feed(lost);
    f.feed(goodAt(26));
    EXPECT_TRUE(*f.last->follows);   // 10:19, six minutes lost, 10:26
    f.feed(goodAt(28));
    EXPECT_FALSE(*f.last->follows);
    f.feed(lost);
    f.feed(goodAt(30));
    f.feed(goodAt(31));
    EXPECT_EQ(f.r.verdict(f.ms), QStringLiteral("Réception faible : 4 minutes décodées sur 10"));
    Dcf77Counters k = f.r.counters(f.ms);
    EXPECT_EQ(k.minutes, 32);
    EXPECT_EQ(k.decoded, 24);
    EXPECT_EQ(k.quality10(), 40);
    EXPECT_EQ(k.qualitySession(), 75);
    EXPECT_EQ(k.longestRun, 20);
    EXPECT_EQ(k.lastDecoded->toString(Qt::ISODate), QStringLiteral("2026-12-05T10:31:00+01:00"));
    for (int m = 0; m < 12; ++m)
        f.feed(lost);
    EXPECT_EQ(f.r.verdict(f.ms), QStringLiteral("Aucune minute décodée depuis 11 min"));
    EXPECT_EQ(f.r.verdict(f.ms + 60000), QStringLiteral("Aucune minute décodée depuis 12 min"));
    EXPECT_EQ(f.r.counters(f.ms).quality60(), 55);   // 24 of 44
}

// The same stream analysed live and from the files it leaves: the monitor's log and the
// exchange journal give the same records.
TEST(Dcf77Reception, LiveAndSavedFilesAgree)
{
    QByteArray stream = "01E1" "3";
    for (int m = 0; m < 5; ++m) {
        QByteArray c = chars(telegram(at(2026, 3, 29, 1, 58).addSecs(60 * m)));
        if (m == 1)
            c.insert(12, 'E');
        if (m == 2)
            c.insert(25, 'x');   // counted by the log, never shown
        if (m == 3)
            c.remove(40, 1);
        stream += c;
    }
    stream += "0110";   // the minute in progress when saved
    test::SimClock clock(at(2026, 3, 29, 0, 55));
    ExchangeJournal journal(clock);
    Dcf77Log log;
    Feeder live;
    for (char c : stream) {
        clock.advance(c == 'E' ? 0 : 1000);
        journal.byteRead(quint8(c));
        log.feed(c);
        live.feed(QByteArray(1, c));
    }
    const QString expected = json(live.r.toJson(live.ms)[QStringLiteral("minutes")]);
    ASSERT_EQ(live.r.records().size(), 6u);
    for (const QByteArray& file : {dcf77LogFile(log.text(), clock.now()), journalFile(journal.text())}) {
        const Dcf77Replay replay = replayDcf77File(file);
        ASSERT_TRUE(replay.ok);
        EXPECT_EQ(json(replay.reception.toJson(replay.endMs)[QStringLiteral("minutes")]), expected);
        EXPECT_EQ(replay.reception.current(), QByteArray("0110"));
    }
    EXPECT_FALSE(replayDcf77File("Configuration\r\n").ok);
}
