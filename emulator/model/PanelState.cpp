#include "model/PanelState.h"
#include "core/Bcd.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace kwf::emu {

bool savePanelState(const QString& path, const PanelState& state, QString* error)
{
    QByteArray text = "# kwf-panel-sim : registres 0 a 63 du panneau (numero du premier en decimal, octets en hexadecimal)\n";
    if (state.savedAt.isValid())
        text += "saved=" + state.savedAt.toString(Qt::ISODate).toLatin1() + "\n";
    for (int row = 0; row < 8; ++row) {
        text += QByteArray::number(row * 8).rightJustified(2, '0') + ":";
        for (int i = 0; i < 8; ++i)
            text += " " + QByteArray::number(state.registers[size_t(row * 8 + i)], 16)
                              .rightJustified(2, '0').toUpper();
        text += "\n";
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

std::optional<PanelState> loadPanelState(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return std::nullopt;
    }
    if (f.size() > 64 * 1024) {
        if (error)
            *error = QStringLiteral("fichier trop grand");
        return std::nullopt;
    }
    auto bad = [error]() -> std::optional<PanelState> {
        if (error)
            *error = QStringLiteral("contenu invalide");
        return std::nullopt;
    };
    PanelState st;
    std::array<bool, PanelModel::kRegisterCount> seen{};
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith("saved=")) {
            st.savedAt = QDateTime::fromString(QString::fromLatin1(line.mid(6)), Qt::ISODate);
            continue;
        }
        const int colon = line.indexOf(':');
        bool ok = false;
        const int first = colon > 0 ? line.left(colon).toInt(&ok) : -1;
        if (!ok || first < 0 || first >= PanelModel::kRegisterCount)
            return bad();
        int r = first;
        for (const QByteArray& b : line.mid(colon + 1).simplified().split(' ')) {
            bool okb = false;
            const int v = b.toInt(&okb, 16);
            if (!okb || v < 0 || v > 255 || r >= PanelModel::kRegisterCount)
                return bad();
            st.registers[size_t(r)] = quint8(v);
            seen[size_t(r)] = true;
            ++r;
        }
    }
    for (bool s : seen)
        if (!s)
            return bad();
    return st;
}

void restorePanelState(PanelModel& model, const PanelState& state, const QDateTime& now)
{
    model.setRegisters(state.registers);
    if (model.clockHalted() || !state.savedAt.isValid() || !now.isValid())
        return;
    const QDateTime clock = model.clockDateTime();
    const qint64 off = state.savedAt.secsTo(now);
    if (!clock.isValid() || off <= 0)
        return;
    const QDateTime later = clock.addSecs(off);
    const int weekday = model.reg(3);
    const qint64 days = clock.date().daysTo(later.date());
    model.setClock(later);
    // Keep the panel's own weekday numbering, moved on by the days that passed.
    if (weekday >= 1 && weekday <= 7)
        model.setReg(3, quint8((weekday - 1 + days) % 7 + 1));
}

} // namespace kwf::emu
