#pragma once

#include <QString>

// The forwarder's words in the problem list.
namespace zelvan::dc09_texts {

// A problem of dc09.ini: %1 the file, %2 the key, %3 what is wrong.
inline QString problem()
{
    return QStringLiteral("%1, ключ %2: %3. Нищо не се изпраща към приемния център.");
}
inline QString notHex() { return QStringLiteral("„%1“ не е от %2 до %3 шестнайсетични цифри"); }
inline QString notProtocol() { return QStringLiteral("„%1“ не е tcp или udp"); }
inline QString notToken() { return QStringLiteral("„%1“ не е SIA-DCS или ADM-CID"); }
inline QString notCode()
{
    return QStringLiteral("„%1“ не е код SIA, събитие Contact ID и номер (напр. „BA E130 1“) "
                          "или none");
}
inline QString notObject() { return QStringLiteral("„%1“ не е обект от 1 до 1024"); }
inline QString badKeyHex()
{
    return QStringLiteral("ключът трябва да е 32, 48 или 64 шестнайсетични цифри");
}
inline QString badKeyText() { return QStringLiteral("ключът трябва да е 16, 24 или 32 знака"); }
inline QString twoKeys() { return QStringLiteral("key_hex и key_text не се дават заедно"); }
inline QString keyOpen()
{
    return QStringLiteral("файлът с ключа може да се чете или пише от група или от други "
                          "потребители (нужни са права 600)");
}

// %1 host:port, %2 how many tries, %3 seconds each.
inline QString notAnswering()
{
    return QStringLiteral("Приемният център %1 не отговаря (%2 опита по %3 s). Записите остават в "
                          "архива и ще бъдат изпратени, щом отговори.");
}
// %1 host:port, %2 the reason.
inline QString unreachable()
{
    return QStringLiteral("Приемният център %1 не е достъпен (%2). Записите остават в архива и "
                          "ще бъдат изпратени, щом връзката се възстанови.");
}
// %1 host:port, %2 the difference in seconds (its clock minus ours, signed).
inline QString clockOff()
{
    return QStringLiteral("Приемният център %1 отказа съобщение заради часовника: неговият час се "
                          "различава от нашия с %2 s. Съобщенията се изпращат с поправено време.");
}
// %1 host:port.
inline QString nakRefused()
{
    return QStringLiteral("Приемният център %1 отказва съобщенията (NAK). Записите остават в "
                          "архива; изпращането се опитва отново.");
}
// %1 host:port, %2 the record (day, line, text), %3 the file that lists them.
inline QString refused()
{
    return QStringLiteral("Приемният център %1 прие, но не обработи запис %2; следващите се "
                          "изпращат. Всички такива записи са в %3.");
}
// %1 how many, %2 the last one (day, line), %3 the file that lists them.
inline QString damaged()
{
    return QStringLiteral("Повредени редове в архива не са изпратени към приемния център: %1 "
                          "(последният: %2). Изброени са в %3.");
}
// %1 the file and the reason.
inline QString dayUnreadable()
{
    return QStringLiteral("Архивът не може да се прочете за приемния център (%1). Изпращането "
                          "чака тук, докато се прочете.");
}
// %1 the file, %2 the reason.
inline QString refusedListUnwritten()
{
    return QStringLiteral("Списъкът на неизпратените записи %1 не може да се запише (%2).");
}

} // namespace zelvan::dc09_texts
