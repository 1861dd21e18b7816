#pragma once

#include <QString>

// Texts of the operators, their log-in and the journal of their actions, as
// the operator reads them, and the answers of the command line that manages
// the operators.
namespace zelvan::journal_texts {

// The operators file cannot be used: %1 the file, %2 the reason.
inline QString operatorsUnreadable()
{
    return QStringLiteral("Файлът с операторите %1 не може да се прочете: %2.");
}
inline QString notARegularFile() { return QStringLiteral("не е обикновен файл"); }
// %1 the largest size in bytes.
inline QString tooLarge() { return QStringLiteral("по-голям е от %1 байта"); }
// %1 the file.
inline QString operatorsOpen()
{
    return QStringLiteral("Файлът с операторите %1 може да се чете или пише от група или от "
                          "други потребители (нужни са права 600). Не се използва.");
}
// %1 the file, %2 the numbers of the lines.
inline QString badLines()
{
    return QStringLiteral("Файлът с операторите %1 има редове, които не могат да се прочетат: %2 "
                          "(всеки ред е име, табулация и хеш на ПИН; всяко име веднъж).");
}
// %1 the file, %2 the reason.
inline QString operatorsNotWritten()
{
    return QStringLiteral("Файлът с операторите %1 не може да се запише: %2.");
}

inline QString badName()
{
    return QStringLiteral("Името на оператора трябва да е от 1 до 32 знака, без табулация, нов "
                          "ред и управляващи знаци, без интервали в началото и в края, и не „-“.");
}
inline QString badPin() { return QStringLiteral("ПИН кодът трябва да е от 4 до 12 цифри."); }
inline QString pinNotHashed()
{
    return QStringLiteral("ПИН кодът не може да се хешира (няма достатъчно памет).");
}
// %1 the name.
inline QString noSuchOperator() { return QStringLiteral("Няма оператор „%1“."); }

// The command line.
inline QString pinPrompt() { return QStringLiteral("PIN: "); }
inline QString pinAgainPrompt() { return QStringLiteral("PIN again: "); }
inline QString pinsDiffer() { return QStringLiteral("Двата ПИН кода не съвпадат."); }
inline QString noPinGiven() { return QStringLiteral("Не е въведен ПИН код."); }
inline QString pinNotRead() { return QStringLiteral("ПИН кодът не може да се прочете: %1."); }
inline QString noTerminal()
{
    return QStringLiteral("Стандартният вход не е терминал: ПИН кодът се подава с --pin-stdin.");
}
inline QString oneCommand()
{
    return QStringLiteral(
        "Дава се една от командите --operator-add, --operator-remove, --operator-list, "
        "--journal-verify.");
}
inline QString pinStdinWithAdd()
{
    return QStringLiteral("--pin-stdin се дава само с --operator-add.");
}
// %1 the arguments left over.
inline QString unexpectedArguments() { return QStringLiteral("Излишни аргументи: %1."); }

// The problem line of a journal that cannot be written: %1 the file and the
// system's reason, %2 how many lines wait in memory.
inline QString notWritten()
{
    return QStringLiteral("Журналът на действията не може да се запише: %1 (чакащи редове: %2)");
}
// The main window's line of who is logged in: %1 the name.
inline QString operatorLine() { return QStringLiteral("Оператор: %1"); }
inline QString nobody() { return QStringLiteral("-"); }
inline QString loginButton() { return QStringLiteral("Вход"); }
inline QString logoutButton() { return QStringLiteral("Изход"); }
// The log-in dialog.
inline QString loginTitle() { return QStringLiteral("Вход"); }
inline QString nameLabel() { return QStringLiteral("Име:"); }
inline QString pinLabel() { return QStringLiteral("ПИН:"); }
inline QString cancelButton() { return QStringLiteral("Отказ"); }
inline QString wrongPin() { return QStringLiteral("Грешно име или ПИН"); }
// %1 the time the name may be tried again.
inline QString nameHeld() { return QStringLiteral("Името е блокирано до %1 след пет грешни ПИН"); }
// The journal tab.
inline QString journalTab() { return QStringLiteral("Журнал"); }
inline QString dayLabel() { return QStringLiteral("Ден:"); }
inline QString operatorFilter() { return QStringLiteral("Оператор:"); }
inline QString objectFilter() { return QStringLiteral("Обект:"); }
inline QString allOperators() { return QStringLiteral("(всички)"); }
inline QString journalHeader()
{
    return QStringLiteral("Време\tОператор\tДействие\tОбект\tМодул\tПодробности");
}
// %1 the file and the reason.
inline QString journalUnreadable() { return QStringLiteral("Журналът не може да се прочете: %1"); }

// The log-in holds file (login-holds): %1 the file.
inline QString holdsOpen()
{
    return QStringLiteral("Файлът на блокиранията %1 може да се чете или пише от група или от "
                          "други потребители. Вход не се приема. Поправка: chmod 600 %1");
}
// %1 the file, %2 the reason.
inline QString holdsUnreadable()
{
    return QStringLiteral("Файлът на блокиранията %1 не може да се прочете: %2. Вход не се "
                          "приема, докато не бъде поправен или премахнат.");
}
// %1 the file, %2 the line.
inline QString holdsBadLine()
{
    return QStringLiteral("Файлът на блокиранията %1 има ред %2, който не може да се прочете. "
                          "Вход не се приема, докато не бъде поправен или премахнат.");
}
// %1 the file and the reason.
inline QString holdsNotWritten()
{
    return QStringLiteral("Блокиранията не могат да се запишат: %1 (пазят се до спиране)");
}
// A name held after wrong PINs: %1 the name, %2 until when.
inline QString nameHeldLine()
{
    return QStringLiteral("Операторът „%1“ е блокиран до %2 след грешни ПИН кодове");
}
// How to mend an operators file that cannot be used: %1 the file.
inline QString mendOpen() { return QStringLiteral("Поправка: chmod 600 %1"); }
inline QString mendCheck()
{
    return QStringLiteral("Проверка: zelvan --operator-list; нов оператор: zelvan --operator-add");
}
// The operators file that was there is gone while the panel runs: %1 the file.
inline QString operatorsGone()
{
    return QStringLiteral("Файлът с операторите %1 изчезна, докато панелът работи. Не е ясно "
                          "кой може да действа.");
}
// Nobody can log in, so the action waits for nobody: %1 the action, %2 why.
inline QString actionRefused() { return QStringLiteral("„%1“ е отказано: %2"); }
// The log-in dialog's line of the action that waits: %1 the action.
inline QString actionWaits() { return QStringLiteral("Чака вход: %1"); }
// The waiting action dropped: %1 the action, %2 the seconds.
inline QString actionGivenUp() { return QStringLiteral("„%1“ е изоставено: няма вход до %2 s."); }
// The journal's recovery file of lines left unwritten at the last exit
// cannot be read: %1 the file, %2 the reason.
inline QString recoveryUnreadable()
{
    return QStringLiteral("Неписаните редове на журнала от последния изход (%1) не могат да се "
                          "прочетат: %2. Файлът е оставен.");
}

// The journal's key. Each text says that the journal still writes its lines,
// without the chain values that prove them.
inline QString withoutChain()
{
    return QStringLiteral(" Журналът се записва без верига: редовете му не могат да се проверят.");
}
// %1 the file.
inline QString keyOpen()
{
    return QStringLiteral("Ключът на журнала %1 може да се чете или пише от група или от други "
                          "потребители (нужни са права 600). Не се използва.")
           + withoutChain();
}
// %1 the file, %2 the reason.
inline QString keyUnreadable()
{
    return QStringLiteral("Ключът на журнала %1 не може да се прочете: %2.") + withoutChain();
}
// %1 the file.
inline QString keyMalformed()
{
    return QStringLiteral("Ключът на журнала %1 е повреден (трябва да е 64 шестнадесетични "
                          "цифри).")
           + withoutChain();
}
// %1 the file, %2 the reason.
inline QString keyNotMade()
{
    return QStringLiteral("Ключът на журнала %1 не може да се създаде: %2.") + withoutChain();
}
inline QString noRandom() { return QStringLiteral("няма източник на случайни числа"); }
// %1 the file.
inline QString keyMissing() { return QStringLiteral("Няма ключ на журнала %1."); }

// The check of a day's journal, on the command line and in the journal tab.
// %1 the day file, %2 how many lines.
inline QString verifyOk() { return QStringLiteral("%1: наред, %2 реда"); }
// %1 the day file, %2 the line, %3 its sequence.
inline QString verifyChanged()
{
    return QStringLiteral("%1: ред %2 (№ %3) е променен след записа");
}
// %1 the day file, %2 the line, %3 its sequence, %4 the sequence expected.
inline QString verifyRemoved()
{
    return QStringLiteral("%1: пред ред %2 (№ %3) липсват редове (очакван № %4)");
}
// %1 the day file, %2 the line, %3 its sequence.
inline QString verifyInserted()
{
    return QStringLiteral("%1: ред %2 (№ %3) е вмъкнат, журналът не го е записал");
}
// %1 the day file, %2 how many lines.
inline QString verifyOld()
{
    return QStringLiteral("%1: не може да се провери: %2 реда са записани преди журналът да има "
                          "верига");
}
// %1 the day file, %2 how many lines, %3 the first of them.
inline QString verifyUnkeyed()
{
    return QStringLiteral("%1: не може да се провери: %2 реда са записани без ключ (от ред %3)");
}
// %1 the day file, %2 the lines.
inline QString verifyTorn()
{
    return QStringLiteral("%1: недописан ред при срив или спиране на тока: %2");
}
// %1 the day file, %2 the reason.
inline QString verifyUnreadable() { return QStringLiteral("%1: не може да се прочете: %2"); }
// %1 the data directory.
inline QString verifyNoDays() { return QStringLiteral("Няма журнал в %1."); }
// %1 what was given.
inline QString verifyBadDay() { return QStringLiteral("Денят „%1“ не е във вида гг-мм-дд."); }
inline QString verifyNoKey()
{
    return QStringLiteral("Журналът не може да се провери без ключа си.");
}

// The journal's details.
inline QString idleLogout() { return QStringLiteral("idle"); }
// An operator removed from the operators file while logged in.
inline QString removedLogout() { return QStringLiteral("removed"); }
// Why a waiting action was given up (after its word): %1 the seconds waited.
inline QString gaveUpTimeout() { return QStringLiteral("no log-in within %1 s"); }
inline QString gaveUpCancelled() { return QStringLiteral("log-in cancelled"); }
inline QString gaveUpReplaced() { return QStringLiteral("another action asked"); }

} // namespace zelvan::journal_texts
