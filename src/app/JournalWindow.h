#pragma once
#include "core/ExchangeJournal.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kwf {

struct AppContext;

// "Journal des échanges": every frame written and byte received while the window is open.
// The journal listens only while the window exists, and the text is brought up to date from a
// timer, which never runs during an exchange.
class JournalWindow : public QWidget {
    Q_OBJECT
public:
    explicit JournalWindow(const AppContext& ctx);
    ~JournalWindow() override;

    QPlainTextEdit* Text1 = nullptr;
    QPushButton* EFFACER = nullptr;
    QPushButton* ENREGISTRER = nullptr;

    ExchangeJournal& journal() { return m_journal; }
    // Brings the text up to date.
    void refresh();
    void save();

private:
    const AppContext& m_ctx;
    ExchangeJournal m_journal;
    size_t m_shown = 0;
    QTimer* m_timer = nullptr;
};

} // namespace kwf
