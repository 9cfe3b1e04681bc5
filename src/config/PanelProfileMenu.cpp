#include "config/PanelProfileMenu.h"
#include "core/AppContext.h"
#include "core/LinkSettings.h"
#include "core/ProfileOps.h"
#include "core/TextFiles.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"
#include "kwf_version.h"

#include <QFileInfo>

namespace kwf {

using namespace profile;

namespace {

constexpr qint64 kMaxProfileFile = 1 << 20;

QString toolName()
{
    return QStringLiteral("kwf-tqv " KWF_VERSION_STRING);
}

ColourType colourOf(const AppContext& ctx)
{
    return ctx.link && ctx.link->settings.colour == lists::colours().at(1) ? ColourType::Tri : ColourType::Mono;
}

QStringList texts(const std::vector<Difference>& diffs)
{
    QStringList l;
    for (const Difference& d : diffs)
        l << d.text();
    return l;
}

// A command that failed: what its window would have shown, else the outcome in words.
QStringList failureLines(const CommandOutcome& o)
{
    QStringList l;
    for (const ShownMessage& m : o.messages)
        if (!m.text.isEmpty())
            l << m.text;
    if (l.isEmpty())
        l << (o.kind == OutcomeKind::SilentPanel ? QStringLiteral("L'afficheur n'a pas répondu.")
                                                 : QStringLiteral("Réponse incorrecte de l'afficheur : %1 octet(s) reçu(s) pour %2 attendu(s).")
                                                       .arg(o.received).arg(o.expected));
    return l;
}

} // namespace

const char* const PanelProfileMenu::kFilter = "Profil de panneau (*.profil)";

PanelProfileMenu::PanelProfileMenu(const AppContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx) {}

bool PanelProfileMenu::ready()
{
    if (!m_ctx.tqv || m_ctx.tqv->busy())
        return false;
    if (!m_ctx.tqv->VERIF_PORT())
        return false;
    if (!m_ctx.tqv->wired()) {
        m_ctx.ui->message(QStringLiteral("La lecture du panneau demande la liaison filaire (Interface « Filaire »)."),
                          MsgIcon::Exclamation);
        return false;
    }
    return true;
}

void PanelProfileMenu::showFailure(const QStringList& lines)
{
    m_ctx.ui->message(lines.join(QLatin1Char('\n')), MsgIcon::Exclamation);
}

std::optional<Profile> PanelProfileMenu::chooseProfile(const QString& title)
{
    if (!ready())
        return std::nullopt;
    const QString path = m_ctx.ui->getOpenFileName(title, QString::fromUtf8(kFilter), QStringLiteral("panneau.profil"));
    if (path.isEmpty())
        return std::nullopt;
    QByteArray bytes;
    if (!QFileInfo(path).isFile() || !readFileStart(path, kMaxProfileFile, &bytes)) {
        showFailure({QStringLiteral("Fichier « %1 » illisible.").arg(path)});
        return std::nullopt;
    }
    ParseOutcome parsed = parseProfile(bytes);
    if (!parsed.profile)
        showFailure({QStringLiteral("Profil « %1 » incorrect : %2").arg(path, parsed.error)});
    return parsed.profile;
}

void PanelProfileMenu::saveCurrentPanel()
{
    if (!ready())
        return;
    const QString path = m_ctx.ui->getSaveFileName(QStringLiteral("Sauvegarder le panneau"), QString::fromUtf8(kFilter),
                                                   QStringLiteral("panneau.profil"));
    if (path.isEmpty())
        return;
    ProfileReading r;
    {
        Tqvbase::Quiet quiet(*m_ctx.tqv);
        r = readPanelProfile(*m_ctx.tqv, colourOf(m_ctx), toolName());
    }
    if (!r.profile)
        return showFailure(QStringList{QStringLiteral("Lecture du panneau impossible.")} + failureLines(r.outcome));
    if (!writeFileWhole(path, writeProfile(*r.profile)))
        return showFailure({QStringLiteral("Erreur lors de l'enregistrement de %1.").arg(path)});
    m_ctx.ui->message(QStringLiteral("Profil du panneau enregistré dans %1.").arg(path), MsgIcon::Information);
}

void PanelProfileMenu::compareWithPanel()
{
    const std::optional<Profile> file = chooseProfile(QStringLiteral("Comparer avec le panneau"));
    if (!file)
        return;
    const ProfileComparison c = comparePanel(*m_ctx.tqv, *file, toolName());
    if (!c.reading.success())
        return showFailure(QStringList{QStringLiteral("Lecture du panneau impossible.")} + failureLines(c.reading.outcome));
    if (c.equal())
        m_ctx.ui->message(QStringLiteral("Le panneau a ce profil."), MsgIcon::Information);
    else
        m_ctx.ui->showList(QStringLiteral("%1 différence(s) entre le profil et le panneau :").arg(c.differences.size()),
                           texts(c.differences), false, QString());
}

void PanelProfileMenu::programPanel()
{
    const std::optional<Profile> file = chooseProfile(QStringLiteral("Programmer le panneau"));
    if (!file)
        return;
    ProfileWriteOptions options;
    options.confirm = [this](const std::vector<Difference>& diffs) {
        return m_ctx.ui->showList(QStringLiteral("Le panneau sera programmé ; %1 différence(s) avec le profil :").arg(diffs.size()),
                                  texts(diffs), true, QStringLiteral("Programmer"));
    };
    ProfileWrite w = writePanelProfile(*m_ctx.tqv, *file, toolName(), options);
    if (w.result == ProfileWriteResult::Mismatch) {
        // The window asks where the console wants --forcer.
        QStringList lines = texts(w.before.differences);
        if (!m_ctx.ui->showList(QStringLiteral("Ce profil n'est pas fait pour ce panneau : %1.").arg(w.mismatch), lines, true,
                                QStringLiteral("Programmer quand même")))
            return;
        options.force = true;
        w = writePanelProfile(*m_ctx.tqv, *file, toolName(), options);
    }
    if (w.result == ProfileWriteResult::Cancelled)
        return;
    QStringList lines = w.reportLines();
    if (w.success()) {
        m_ctx.ui->message(lines.join(QLatin1Char('\n')), MsgIcon::Information);
        return;
    }
    if (w.failure.command.window[0] && !w.failure.success())
        lines << failureLines(w.failure);
    showFailure(lines);
}

} // namespace kwf
