#pragma once

#include <QString>

namespace zelvan::windowtexts {

// Captions of the operator's list windows, the object history dialog and the keypad.
inline QString alarmCaption() { return QStringLiteral("Нарушения"); }
// The violations window's button that silences the alarm tone.
inline QString silenceButton() { return QStringLiteral("Тишина"); }
inline QString silenceTip() { return QStringLiteral("Тишина до следващо нарушение (Esc)"); }
inline QString eventCaption() { return QStringLiteral("Събития"); }
inline QString infoCaption() { return QStringLiteral("Zelvan  -  Допълнителна информация"); }
inline QString infoTab() { return QStringLiteral("Информация"); }
inline QString eventsTab() { return QStringLiteral("Събития"); }
inline QString closeWindow() { return QStringLiteral("Затваряне на прозореца"); }
inline QString keypadCaption() { return QStringLiteral("Клавиатура"); }

// History dialog texts.
inline QString noInformation()
{
    return QStringLiteral("  За този обект не е въведена информация !");
}
inline QString todayPrefix() { return QStringLiteral("Днес  "); }
inline QString yesterdayPrefix() { return QStringLiteral("Вчера  "); }
inline QString noArchivePrefix() { return QStringLiteral("          Няма архив за "); }
inline QString yearSuffix() { return QStringLiteral(" год."); }
// A day file that is there but cannot be opened, or whose reading broke off
// (followed by the date and the system's reason in brackets).
inline QString unreadableArchivePrefix()
{
    return QStringLiteral("          Архивът не може да бъде прочетен за ");
}
inline QString brokenArchivePrefix()
{
    return QStringLiteral("          Четенето на архива прекъсна за ");
}

// What each day-file record letter reads as in the history, after the time.
inline QString takenText() { return QStringLiteral("  Поет  "); }
inline QString releasedText() { return QStringLiteral("  Освободен  "); }
inline QString violatedText() { return QStringLiteral("  Нарушен  "); }
inline QString operatorText() { return QStringLiteral("  Оператор  "); }
inline QString balancedText() { return QStringLiteral("  Балансиран  "); }
inline QString boardOnText() { return QStringLiteral("  --  Включен  "); }
inline QString boardOffText() { return QStringLiteral("  --  Изключен  "); }
inline QString boardSignalPrefix() { return QStringLiteral("  --  "); }

// Keypad answers (written exactly as the operators know them).
inline QString keypadError() { return QStringLiteral("Грешка"); }
inline QString keypadNoObject() { return QStringLiteral("Няма овект"); }

// Line break of the history texts and the keypad log.
inline QString crlf() { return QStringLiteral("\r\n"); }

} // namespace zelvan::windowtexts
