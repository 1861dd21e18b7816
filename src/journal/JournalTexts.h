#pragma once

#include <QString>

// The texts of the operators' log-in and of the journal, as the operator reads them.
namespace zelvan::journal_texts {

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

// The journal's details.
inline QString idleLogout() { return QStringLiteral("idle"); }

} // namespace zelvan::journal_texts
