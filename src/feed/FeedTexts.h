#pragma once

#include <QString>

namespace zelvan::feed_texts {

// A problem of mqtt.ini shown to the operator: %1 the file, %2 the key
// ("[section] key"), %3 what is wrong with it. While mqtt.ini has a problem
// nothing is sent to the broker.
inline QString problem()
{
    return QStringLiteral("%1, ключ %2: %3. Нищо не се изпраща към MQTT брокера.");
}
inline QString missing() { return QStringLiteral("липсва"); }
inline QString unknownKey() { return QStringLiteral("непознат ключ"); }
inline QString notBoolean() { return QStringLiteral("„%1“ не е true или false"); }
inline QString notNumber() { return QStringLiteral("„%1“ не е число от %2 до %3"); }
inline QString fileUnreadable() { return QStringLiteral("файлът %1 не може да се прочете"); }
inline QString passwordFileOpen()
{
    return QStringLiteral("файлът с паролата %1 може да се чете от група или от други "
                          "потребители (нужни са права 600)");
}
inline QString passwordNeedsUser() { return QStringLiteral("парола без username"); }
inline QString badPrefix()
{
    return QStringLiteral("„%1“ е празен или съдържа +, # или празна част");
}
inline QString needsPair() { return QStringLiteral("cert_file и key_file се дават заедно"); }
inline QString notIniFile() { return QStringLiteral("файлът не е във формат key=value"); }

// While the broker cannot be reached: %1 host:port, %2 the reason.
inline QString brokerDown()
{
    return QStringLiteral("MQTT брокерът %1 не е достъпен (%2). Събитията остават в архива и "
                          "ще бъдат изпратени, щом връзката се възстанови.");
}

// The record kinds as the history view and the archive report word them,
// without their padding.
inline QString taken() { return QStringLiteral("Поет"); }
inline QString released() { return QStringLiteral("Освободен"); }
inline QString violated() { return QStringLiteral("Нарушен"); }
inline QString operatorSeen() { return QStringLiteral("Оператор"); }
inline QString balanced() { return QStringLiteral("Балансиран"); }
inline QString boardOn() { return QStringLiteral("Включен"); }
inline QString boardOff() { return QStringLiteral("Изключен"); }
inline QString systemStarted() { return QStringLiteral("Стартирана система Zelvan 064"); }
inline QString linkLost() { return QStringLiteral("Прекъсната връзка с"); }

} // namespace zelvan::feed_texts
