#pragma once
#include "core/RelayOps.h"
#include "core/SwitchOps.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <array>

// What kwf-tqvctl prints: plain functions of the values read, no port involved.
namespace kwf::console {

// The register image as the grid shows it, one line per row of 16 boxes: "0 1 2 ... F".
// A register that did not answer (-1) is shown as the grid shows it, 0.
QStringList registerRows(const std::array<int, grid::kRegisters>& values);

// Reads a register image written by registerRows (or by hand): 64 values in the grid's
// hexadecimal text, separated by blanks or line ends. False, with a French message naming the
// value and its register, when a value is not a plain byte (00 to FF) or the count is not 64.
bool parseRegisterImage(const QString& text, std::array<quint8, grid::kRegisters>* values, QString* error);

// One line per alarm of a relay block read back: "Alarme 1 : 07:30, 5 s, Lundi Mardi", and the
// contact line. A box whose byte was out of range shows "--".
QStringList relayLines(const DecodedRelay& relay);
// The same as JSON: contact and an array of alarms.
QJsonObject relayJson(const DecodedRelay& relay);

// "Écart avec le PC : +0,35 s (l'afficheur avance)".
QString driftText(double seconds);

// A progress line for a terminal: carriage return, the text, the rest of the line erased.
QString progressLine(const QString& text);
QString progressClear();

// The object printed by --json, one line.
QByteArray jsonLine(const QJsonObject& o);

} // namespace kwf::console
