#include "app/JournalWindow.h"
#include "core/AppContext.h"
#include "core/TextFiles.h"
#include "core/Clock.h"
#include "core/Tqvbase.h"
#include "core/UiServices.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kwf {

JournalWindow::JournalWindow(const AppContext& ctx)
    : m_ctx(ctx), m_journal(*ctx.clock)
{
    setWindowTitle(QStringLiteral("Journal des échanges"));
    auto* lay = new QVBoxLayout(this);
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Text1->setMaximumBlockCount(20000);
    Text1->setMinimumSize(640, 320);
    Text1->setAccessibleName(QStringLiteral("Journal des échanges"));
    lay->addWidget(Text1);
    auto* row = new QHBoxLayout;
    EFFACER = new QPushButton(QStringLiteral("Effacer"), this);
    EFFACER->setObjectName(QStringLiteral("EFFACER"));
    ENREGISTRER = new QPushButton(QStringLiteral("Enregistrer..."), this);
    ENREGISTRER->setObjectName(QStringLiteral("ENREGISTRER"));
    row->addStretch();
    row->addWidget(EFFACER);
    row->addWidget(ENREGISTRER);
    lay->addLayout(row);
    connect(EFFACER, &QPushButton::clicked, this, [this] {
        m_journal.clear();
        m_shown = 0;
        Text1->clear();
    });
    connect(ENREGISTRER, &QPushButton::clicked, this, [this] { save(); });
    m_timer = new QTimer(this);
    m_timer->setInterval(250);
    connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
    m_timer->start();
    m_ctx.tqv->addObserver(&m_journal);
}

JournalWindow::~JournalWindow()
{
    m_ctx.tqv->removeObserver(&m_journal);
}

void JournalWindow::refresh()
{
    const auto& entries = m_journal.entries();
    if (m_shown > entries.size())
        m_shown = 0;   // trimmed: start again from what is kept
    if (m_shown == entries.size())
        return;
    QString t = m_journal.text(m_shown);
    t.chop(1);
    Text1->appendPlainText(t);
    m_shown = entries.size();
}

void JournalWindow::save()
{
    UiServices& ui = *m_ctx.ui;
    for (;;) {
        const QString path = ui.getSaveFileName(QStringLiteral("Enregistrer le journal des échanges"),
                                                QStringLiteral("Fichier texte (*.txt *.TXT)"),
                                                QStringLiteral("Journal_echanges.txt"));
        if (path.isEmpty())
            return;
        if (writeFileWhole(path, journalFile(m_journal.text())))
            return;
        ui.message(QStringLiteral("Erreur lors de la création de %1 . Essayer à nouveau").arg(path), MsgIcon::Exclamation);
    }
}

} // namespace kwf
