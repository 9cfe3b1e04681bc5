#pragma once
#include "core/Profile.h"

#include <QObject>
#include <QStringList>
#include <optional>

namespace kwf {

struct AppContext;

// The File menu's panel profile items: the whole panel saved to a profile file, compared with
// one, or programmed from one. The file dialogs, the list of differences and the messages go
// through the context's user-interface services; the work is the core's.
class PanelProfileMenu : public QObject {
    Q_OBJECT
public:
    PanelProfileMenu(const AppContext& ctx, QObject* parent = nullptr);

    // « Sauvegarder le panneau… »
    void saveCurrentPanel();
    // « Comparer avec le panneau… »
    void compareWithPanel();
    // « Programmer le panneau… »: the differences are listed before anything is written.
    void programPanel();

    static const char* const kFilter;

private:
    bool ready();
    // The open dialog, then the file read and checked; a refusal is shown.
    std::optional<profile::Profile> chooseProfile(const QString& title);
    void showFailure(const QStringList& lines);
    const AppContext& m_ctx;
};

} // namespace kwf
