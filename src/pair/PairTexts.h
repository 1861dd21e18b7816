#pragma once

#include <QString>

namespace zelvan::pair_texts {

inline QString thisPanelActive() { return QStringLiteral("Активен: този панел от %1"); }
inline QString partnerActive() { return QStringLiteral("Активен: %1 от %2"); }
inline QString takingOver() { return QStringLiteral("Този панел поема линията…"); }
inline QString noActivePanel() { return QStringLiteral("Няма активен панел"); }
inline QString noActiveProblem()
{
    return QStringLiteral("Няма активен панел: никой не пита модулите, а панелът %1 "
                          "не се вижда през MQTT брокера. Този панел слуша и архивира; линията "
                          "може да се поеме с бутона „Поеми линията“.");
}
inline QString noBroker()
{
    return QStringLiteral("Резервният панел не вижда MQTT брокера: слуша линията и архивира, но не "
                          "поема линията сам.");
}
inline QString bothPreferred()
{
    return QStringLiteral("И двата панела на двойката (този и %1) са с preferred = true в "
                          "mqtt.ini: този панел остава резервен и не поема линията сам.");
}
inline QString refusedOnStandby()
{
    return QStringLiteral("Този панел е резервен и не пише по линията: %1 се прави от активния "
                          "панел %2.");
}
inline QString handOverButton() { return QStringLiteral("Предай линията"); }
inline QString takeOverButton() { return QStringLiteral("Поеми линията"); }
inline QString handOverQuestion()
{
    return QStringLiteral("Да се предаде ли линията на панела %1? Този панел спира да пише по нея "
                          "и остава резервен.");
}
inline QString takeOverQuestion()
{
    return QStringLiteral(
        "Да се поеме ли линията? Уверете се, че панелът %1 не работи: два панела, "
        "които пишат едновременно, си пречат.");
}

} // namespace zelvan::pair_texts
