#pragma once

#include "core/SettingsTexts.h"

#include <QString>

namespace zelvan::feed_texts {

using namespace settings_texts;

// A problem of mqtt.ini shown to the operator: %1 the file, %2 the key
// ("[section] key"), %3 what is wrong with it. While mqtt.ini has a problem
// nothing is sent to the broker.
inline QString problem()
{
    return QStringLiteral("%1, ключ %2: %3. Нищо не се изпраща към MQTT брокера.");
}
inline QString secretFileOpen()
{
    return QStringLiteral("файлът %1 може да се чете или пише от група или от други "
                          "потребители (нужни са права 600)");
}
inline QString keyNeedsPassphrase()
{
    return QStringLiteral("ключът %1 е защитен с парола, която панелът не може да въведе "
                          "(нужен е ключ без парола, с права 600)");
}
// %1 the broker's host.
inline QString passwordInClear()
{
    return QStringLiteral("паролата ще мине открито по мрежата до %1 (нужно е tls=true)");
}
inline QString passwordNeedsUser() { return QStringLiteral("парола без username"); }
inline QString badPrefix()
{
    return QStringLiteral("„%1“ е празен или съдържа +, # или празна част");
}
// A problem of [pair]: the feed runs, the panel stays on standby.
inline QString pairProblem()
{
    return QStringLiteral("%1, ключ %2: %3. Панелът остава резервен и не поема линията сам.");
}
inline QString partnerIsSelf()
{
    return QStringLiteral("„%1“ е представката на самия панел, а не на партньора му");
}
inline QString needsPair() { return QStringLiteral("cert_file и key_file се дават заедно"); }

// While the broker cannot be reached: %1 host:port, %2 the reason.
inline QString brokerDown()
{
    return QStringLiteral("MQTT брокерът %1 не е достъпен (%2). Събитията остават в архива и "
                          "ще бъдат изпратени, щом връзката се възстанови.");
}

// A day file the feed cannot read: %1 the file and the reason. Nothing after
// it is sent until it can be read.
inline QString dayUnreadable()
{
    return QStringLiteral("Дневният файл %1 не може да се прочете за MQTT. Изпращането чака, "
                          "докато файлът стане четим.");
}
// The saved cursor does not end a line of its day file: %1 the cursor file,
// %2 the day file, %3 the line it named.
inline QString cursorMismatch()
{
    return QStringLiteral("Курсорът %1 не сочи край на ред %3 в %2 (файлът е подменен). "
                          "Записите на този ден се изпращат към MQTT отново от първия ред.");
}
// The broker acknowledged a message without accepting it: %1 the topic,
// %2 host:port, %3 the broker's reason.
inline QString notAllowed()
{
    return QStringLiteral("MQTT брокерът %2 не позволява публикуване в %1 (%3). Нищо не се "
                          "губи: изпращането се опитва отново.");
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

// The names Home Assistant shows for the station's entities: the station's
// and a module's link, the violations count, a module's device (%1 the
// prefix, %2 the module), and the words after an object's label and name.
inline QString stationLinkName() { return QStringLiteral("Връзка"); }
inline QString violationsName() { return QStringLiteral("Нарушения"); }
inline QString moduleLinkName() { return QStringLiteral("Връзка"); }
inline QString moduleDeviceName() { return QStringLiteral("%1 модул %2"); }
inline QString violationWord() { return QStringLiteral("нарушение"); }
inline QString guardWord() { return QStringLiteral("охрана"); }

} // namespace zelvan::feed_texts
