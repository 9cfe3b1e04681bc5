#include "core/Dcf77Report.h"
#include "core/Dcf77Minute.h"

#include <QDate>

namespace kwf {

namespace {

const char* const kDayNames[] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};

QString bad(const QString& why)
{
    return QStringLiteral("Minute erronée : ") + why;
}

} // namespace

QString dcf77Tally(int good, int bad)
{
    return QStringLiteral("Bonnes : %1   Mauvaises : %2").arg(good).arg(bad);
}

Dcf77MinuteReport describeDcf77Minute(const QByteArray& chars)
{
    Dcf77MinuteReport r;
    const std::optional<Dcf77Bits> bits = Dcf77Minute::bitsFromChars(chars);
    if (!bits) {
        // 59 characters, but an error mark or a stray character took the place of a bit.
        r.line = bad(QStringLiteral("%1 caractères reçus, pas 58 bits suivis de la fin de minute").arg(chars.size()));
        return r;
    }
    const Dcf77Minute::Decoded d = Dcf77Minute::decode(*bits);
    if (!d.ok()) {
        r.line = bad(Dcf77Minute::errorText(d.error));
        return r;
    }
    const Dcf77Minute& m = d.minute;
    const QDate date(m.year, m.month, m.day);
    const QString when = QStringLiteral("%1 %2 %3:%4 %5")
                             .arg(QString::fromUtf8(kDayNames[m.weekday - 1]).leftJustified(8),
                                  date.toString(QStringLiteral("dd/MM/yyyy")))
                             .arg(m.hour, 2, 10, QLatin1Char('0'))
                             .arg(m.minute, 2, 10, QLatin1Char('0'))
                             .arg(m.cest ? QStringLiteral("CEST (heure d'été)") : QStringLiteral("CET  (heure d'hiver)"));
    if (date.dayOfWeek() != m.weekday) {
        r.line = when + QStringLiteral("  erreur : le jour de la semaine ne correspond pas à la date");
        return r;
    }
    r.good = true;
    r.line = when + QStringLiteral("  correcte");
    return r;
}

} // namespace kwf
