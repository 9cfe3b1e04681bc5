#pragma once
#include "model/PanelModel.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace kwf::emu {

// The 64 registers of a panel kept in a small text file between runs of the demo panel:
//   # comment lines
//   saved=2026-12-06T10:15:42
//   00: 49 58 09 06 05 12 26 00
//   ... eight lines of eight bytes in hexadecimal
struct PanelState {
    PanelModel::Image registers{};
    QDateTime savedAt;   // PC time of the save; invalid when the file does not say
};

bool savePanelState(const QString& path, const PanelState& state, QString* error = nullptr);
// Empty when the file is missing or is not a full register image.
std::optional<PanelState> loadPanelState(const QString& path, QString* error = nullptr);

// Puts a saved image into the model. A running clock went on while the panel was off (the
// DS1307 runs on its battery): it is moved on by the time between savedAt and now.
void restorePanelState(PanelModel& model, const PanelState& state, const QDateTime& now);

} // namespace kwf::emu
