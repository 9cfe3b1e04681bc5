#include "console/Format.h"
#include "core/ClockSync.h"
#include "console/Options.h"
#include "core/ClockOps.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace kwf::console {

QStringList registerRows(const std::array<int, grid::kRegisters>& values)
{
    QStringList rows;
    for (int row = 0; row < grid::kRegisters / 16; ++row) {
        QStringList boxes;
        for (int i = 16 * row; i < 16 * row + 16; ++i)
            boxes << gridText(values[size_t(i)] < 0 ? 0 : values[size_t(i)]);
        rows << boxes.join(QLatin1Char(' '));
    }
    return rows;
}

bool parseRegisterImage(const QString& text, std::array<quint8, grid::kRegisters>* values, QString* error)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList tokens = text.split(blanks, Qt::SkipEmptyParts);
    for (int i = 0; i < tokens.size() && i < grid::kRegisters; ++i) {
        const GridValue g = parseGridText(tokens[i]);
        if (!g.clean) {
            *error = QStringLiteral("Valeur « %1 » du registre %2 hors de 00..FF.").arg(echoed(tokens[i])).arg(i);
            return false;
        }
        (*values)[size_t(i)] = g.value;
    }
    if (tokens.size() != grid::kRegisters) {
        *error = QStringLiteral("%1 valeurs au lieu de 64.").arg(tokens.size());
        return false;
    }
    return true;
}

namespace {
struct AlarmTexts {
    QString time;       // "07:30", "--" parts when out of range
    QString duration;   // "5 s", "-- s", or empty for no duration
    QStringList days;
};

AlarmTexts alarmTexts(const DecodedAlarm& a)
{
    auto two = [](const std::optional<int>& v) {
        return v ? QStringLiteral("%1").arg(*v, 2, 10, QLatin1Char('0')) : QStringLiteral("--");
    };
    AlarmTexts t;
    t.time = two(a.hourIndex) + QLatin1Char(':') + two(a.minuteIndex);
    if (!a.durationIndex)
        t.duration = QStringLiteral("-- s");
    else if (*a.durationIndex >= 0)
        t.duration = QStringLiteral("%1 s").arg(*a.durationIndex + 1);
    const QStringList names = clocknames::days();
    for (int d = 0; d < 7; ++d)
        if (a.days[size_t(d)])
            t.days << names[d];
    return t;
}

QString contactText(bool closes)
{
    return closes ? QStringLiteral("Le contact se ferme") : QStringLiteral("Le contact s'ouvre");
}
} // namespace

QStringList relayLines(const DecodedRelay& relay)
{
    QStringList lines;
    for (int k = 0; k < 4; ++k) {
        const AlarmTexts t = alarmTexts(relay.alarms[size_t(k)]);
        lines << QStringLiteral("Alarme %1 : %2, durée %3, jours : %4")
                     .arg(k + 1)
                     .arg(t.time, t.duration.isEmpty() ? QStringLiteral("aucune") : t.duration,
                          t.days.isEmpty() ? QStringLiteral("aucun") : t.days.join(QLatin1Char(' ')));
    }
    lines << contactText(relay.contactCloses) + QLatin1Char('.');
    return lines;
}

QJsonObject relayJson(const DecodedRelay& relay)
{
    QJsonArray alarms;
    for (const DecodedAlarm& a : relay.alarms) {
        const AlarmTexts t = alarmTexts(a);
        QJsonObject o;
        o[QStringLiteral("heure")] = t.time;
        o[QStringLiteral("duree_s")] = a.durationIndex && *a.durationIndex >= 0 ? QJsonValue(*a.durationIndex + 1)
                                                                                : QJsonValue(QJsonValue::Null);
        o[QStringLiteral("jours")] = QJsonArray::fromStringList(t.days);
        alarms.append(o);
    }
    QJsonObject o;
    o[QStringLiteral("alarmes")] = alarms;
    o[QStringLiteral("contact")] = relay.contactCloses ? QStringLiteral("ferme") : QStringLiteral("ouvre");
    return o;
}

QString driftText(double seconds)
{
    QString text = offsetLine(seconds);
    if (text.contains(QLatin1Char('+')))
        text += QStringLiteral(" (l'afficheur avance)");
    else if (text.contains(QLatin1Char('-')))
        text += QStringLiteral(" (l'afficheur retarde)");
    return text;
}

QString progressLine(const QString& text)
{
    return QStringLiteral("\r\x1b[K") + text;
}

QString progressClear()
{
    return QStringLiteral("\r\x1b[K");
}

QByteArray jsonLine(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace kwf::console
