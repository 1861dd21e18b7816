#pragma once

#include <QString>

namespace zelvan {

// The codes of the events list and the day archive, shared by every part
// that writes them.
//
// The first two characters of an events-window line tell its kind; the history
// view reads them back. Latin and Cyrillic look-alikes are distinct letters.
namespace EventPrefix {
inline const QString Released = QStringLiteral("O ");      // Latin O: object released
inline const QString Taken = QStringLiteral("П ");         // Cyrillic Pe: object taken under guard
inline const QString Violated = QStringLiteral("H ");      // Latin H: object violated
inline const QString BoardOn = QStringLiteral("В ");       // Cyrillic Ve: board switched on
inline const QString BoardOff = QStringLiteral("И ");      // Cyrillic I: board switched off
inline const QString BoardSignal = QStringLiteral("> ");   // board signal
inline const QString SystemStarted = QStringLiteral("C "); // Latin C: module started
inline const QString LinkLost = QStringLiteral("К ");      // Cyrillic Ka: link to a module lost
} // namespace EventPrefix

// Record letters of the day archive for the guard states and the modules.
namespace RecordLetter {
constexpr char16_t Released = u'O';
constexpr char16_t Taken = u'P';
constexpr char16_t Violated = u'A';
constexpr char16_t ModuleStarted = u'S';
constexpr char16_t LinkLost = u'V';
} // namespace RecordLetter

} // namespace zelvan
