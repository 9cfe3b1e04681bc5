#pragma once
#include "core/ConfigFile.h"
#include "core/Tqvbase.h"

#include <QtGlobal>
#include <array>
#include <optional>

namespace kwf {

// Bit 7 of a day mask: the contact closes.
constexpr quint8 kContactCloses = 0x80;

// One alarm as the relay 1 writer takes it: hour and minute as plain numbers (the writer puts
// them in BCD), duration in seconds.
struct RelayAlarmSetting {
    quint8 dayMask = 0;
    int hour = 0;
    int minute = 0;
    int duration = 1;
};

// The alarms a relay window sends for its controls, given as the configuration file stores them:
// Combo 3k+1, 3k+2, 3k+3 are alarm k's hour (list 00..23), minute (00..59) and duration
// (01..59) by list index, -1 (no selection) sending 0; Check1_(7k+d) ticks day d (Lundi = bit 0);
// every day mask carries the contact bit when Option1 ("Le contact se ferme") is selected, none
// when neither button is (a file with both buttons at 0).
std::array<RelayAlarmSetting, 4> relayAlarms(const RelayConfig& window);
// The sixteen data bytes of a relay block, alarm 1 first: day mask, BCD hour, BCD minute,
// duration. Both relays and the event take their block from here.
std::array<quint8, 16> relayBlock(const std::array<RelayAlarmSetting, 4>& alarms);

// Outcome texts of the relay and event windows.
QString relayProgrammedText(int relay);   // "Programmation Relais 1 effectuée."
QString relayReadText(int relay);         // "Lecture Relais 1 effectuée."
namespace msg {
inline const char* const kEventDone = "Programmation Événement effectuée.";
}

// Relay 1: TAB_DS 15 = marker, 16..31 = the alarms with BCD hours and minutes; 17 register
// writes, 0.9 s, exactly 17 bytes.
CmdResult ECRI_RELAIS1(Tqvbase& t, const std::array<RelayAlarmSetting, 4>& alarms);
// Relay 1 from the sixteen bytes of its block as they stand (a saved block copied back): the same
// frames and verdict as ECRI_RELAIS1, with no BCD step.
CmdResult writeRelay1Bytes(Tqvbase& t, const std::array<quint8, 16>& bytes);
// Relay 2 and the event: TAB_DS 32..47 = the bytes as given, 48 = marker; 17 register writes,
// 0.9 s, exactly 17 bytes.
CmdResult ECRI_RELAIS2(Tqvbase& t, const std::array<quint8, 16>& bytes);

// One alarm decoded from a block. A box whose byte is out of its range has no value and is
// left as it is by the window.
struct DecodedAlarm {
    std::array<bool, 7> days{};          // Lundi .. Dimanche
    std::optional<int> hourIndex;        // 0..23
    std::optional<int> minuteIndex;      // 0..59
    std::optional<int> durationIndex;    // 0..58, or -1 for no selection (byte 0)
};

struct DecodedRelay {
    std::array<DecodedAlarm, 4> alarms;
    bool contactCloses = true;           // bit 7 of alarm 1's day mask
};

struct RelayRead {
    CmdResult result;
    std::optional<DecodedRelay> block;   // only for a complete block with its marker
};

// Decodes the sixteen data bytes of a block (alarm 1 first).
DecodedRelay decodeRelayBlock(const std::array<quint8, 16>& data);

// Relay 1: reads 15..31 (preamble 4, end run 1), 0.9 s, exactly 17 bytes, marker first. A wrong
// marker shows "Pas de Lecture possible." and reads no further.
RelayRead LIT_RELAIS1(Tqvbase& t);
// Relay 2: reads 32..48 with 0.5 s after every frame, then 0.9 s; all 17 bytes are taken before
// the marker (last) is tested.
RelayRead LIT_RELAIS2(Tqvbase& t);

} // namespace kwf
