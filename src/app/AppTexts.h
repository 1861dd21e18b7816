#pragma once

#include <QString>

// Texts of the program's own windows: the start-up window and the link-lost
// window, and the program's identity on the command line.
namespace zelvan::apptexts {

inline const QString kSplashTitle = QStringLiteral("Start Zelvan 064");
inline const QString kSplashIntro =
    QStringLiteral(
        "       Инициализиране на системата. Проверка за включени модули. Обмен на данни между  ")
    + QStringLiteral("\"Zelvan 064\"") + QStringLiteral(" - модулите и управляващия компютър.");
inline const QString kSplashBrand = QStringLiteral("Zelvan 064");
inline const QString kSplashMaker = QStringLiteral("Централна станция за охрана на обекти");
// What the start-up window shows before the first module is being started.
inline const QString kSplashModulesAtStart = QStringLiteral("Модули  -");
inline const QString kSplashObjectsAtStart = QStringLiteral("Обекти -");
inline const QString kSplashLinkTestAtStart = QStringLiteral("Тест за връзка .....");
inline const QString kLinkLostTitle = QStringLiteral("Zelvan 064");
// The link-lost window's text before the silent modules are named.
inline const QString kLinkLostAtStart =
    QStringLiteral("Комуникацията с изнесените модули е прекъсната!");

inline const QString kProgramName = QStringLiteral("zelvan");
inline const QString kProgramDescription =
    QStringLiteral("Operator's panel of the Zelvan 064 central monitoring station.");

// Problems of the load step, shown to the operator: %1 a path, %2 the reason.
inline QString pairWithoutBroker()
{
    return QStringLiteral("Двойката от панели в mqtt.ini няма използваем MQTT брокер: панелът "
                          "остава резервен и не поема линията сам.");
}
inline QString configNotWritten() { return QStringLiteral("%1 не може да се запише."); }
inline QString dataFilesNotWritten()
{
    return QStringLiteral("Файловете с данни на обектите в %1 не могат да се запишат.");
}
inline QString dataDirNotCreated()
{
    return QStringLiteral("Папката за данни %1 не може да се създаде: %2. "
                          "Създайте я или поправете [DirData] в %3.");
}
inline QString noDataDir() { return QStringLiteral("не е зададена папка за данни"); }

// A second panel started where one already runs.
inline const QString kAlreadyRunningTitle = QStringLiteral("Zelvan 064");
inline QString alreadyRunningIn(const QString& programDir)
{
    return QStringLiteral("В папка %1 вече работи панел Zelvan 064. Втори панел не се стартира.")
        .arg(programDir);
}
inline QString alreadyRunningOn(const QString& device)
{
    return QStringLiteral("Сериен порт %1 вече се използва от друг панел Zelvan 064. "
                          "Втори панел не се стартира.")
        .arg(device);
}
inline QString lockUnavailable(const QString& path)
{
    return QStringLiteral("Файлът %1 не може да бъде създаден.").arg(path);
}

// mqtt.ini changed, appeared or went while the panel runs: %1 the file.
inline QString feedSettingsChanged()
{
    return QStringLiteral("Файлът %1 е променен. Промяната в MQTT настройките влиза в сила "
                          "след рестарт на панела.");
}

} // namespace zelvan::apptexts
