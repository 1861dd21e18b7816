#pragma once

#include <QByteArray>

namespace zelvan::modsim {

// Lines of the module firmware after the banner of its version reply. None of
// them ends with "]", so the panel keeps them as version text.
inline constexpr char kFirmwareLine[] = ". Line module 128 obj, fw 2.1/1999";
// Followed by the module's address digit.
inline constexpr char kAddressLinePrefix[] = ". Address ";

// The group line: ". G[" then one character per object group (group 0 first,
// at characters 5..12), then "]".
inline constexpr char kGroupLinePrefix[] = ". G[";
inline constexpr char kGroupLineSuffix[] = "]";
inline constexpr char kGroupInstalled = 'Y';
inline constexpr char kGroupAbsent = 'N';

// Prompt characters answered to an empty command.
inline constexpr char kPromptReady = '>';
inline constexpr char kPromptMonitor = '*';
inline constexpr char kPromptAlarm = '!';

// Command words (compared without regard to letter case).
inline constexpr char kCmdVersion[] = "VER";
inline constexpr char kCmdMonitorOn[] = "MON";
inline constexpr char kCmdMonitorOff[] = "NOMON";

// Memory areas read by the monitor's "R" command.
inline constexpr quint32 kSettingsArea = 0xB600; // 128 balance bytes, then 128 zone/time bytes
inline constexpr quint32 kStateArea = 0x2400;    // 128 guard-state letters
inline constexpr quint32 kMaxReadLength = 0x1000;
inline constexpr int kDumpBytesPerLine = 16;
inline constexpr int kDumpLineLength = 49;

// Guard-state letters kept per object.
inline constexpr char kStateNeverTaken = 'N';
inline constexpr char kStateReleased = 'O';
inline constexpr char kStateTaken = 'P';
inline constexpr char kStateViolated = 'A';
inline constexpr char kStateTakeRequested = 'T';

// Ranges of the three line settings.
inline constexpr int kBalanceMin = 75;
inline constexpr int kBalanceMax = 193;
inline constexpr int kNibbleMax = 15;

} // namespace zelvan::modsim
