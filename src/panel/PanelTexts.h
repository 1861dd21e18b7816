#pragma once

#include <QString>

// The main window's own texts, in one place.
namespace zelvan::PanelTexts {

inline const QString kMenu = QStringLiteral("Меню");
// The journal's detail of a take or release whose port was closed.
inline const QString kNotSentDetail = QStringLiteral("; not sent: port closed");
inline const QString kUpperRow = QStringLiteral("1-64");
inline const QString kLowerRow = QStringLiteral("65-128");

inline const QString kAdjust = QStringLiteral("Настройка");
inline const QString kApply = QStringLiteral("Ok");
inline const QString kGaugeLow = QStringLiteral("-");
inline const QString kGaugeHigh = QStringLiteral("+");

// Threshold labels: the neutral texts shown while no object is selected, and
// the prefixes and units of the values.
inline const QString kBalanceNeutral = QStringLiteral("Баланс - ...V");
inline const QString kZoneNeutral = QStringLiteral("Зона +/- ...V");
inline const QString kTimeNeutral = QStringLiteral("Време - ...s");
inline const QString kBalancePrefix = QStringLiteral("Баланс - ");
inline const QString kZonePrefix = QStringLiteral("Зона +/- ");
inline const QString kTimePrefix = QStringLiteral("Време - ");
inline const QString kBalanceBelow = QStringLiteral("<13V");
inline const QString kBalanceAbove = QStringLiteral(">35V");
inline const QString kVolt = QStringLiteral("V");
inline const QString kSecond = QStringLiteral("s");

// Status text when a marker colour could not be saved (the file name follows).
inline const QString kColorWriteFailed = QStringLiteral("Цветът не е записан в ");

} // namespace zelvan::PanelTexts
