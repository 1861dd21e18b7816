#pragma once

#include <QByteArray>
#include <QString>

// The texts of the module link: commands of the start-up exchange, the module
// firmware's identification line, and what the start-up and link-lost windows
// and the events list say about the modules.
namespace zelvan::linktexts {

// First line of every module's version reply: "." and two blanks, 18 characters.
inline constexpr QLatin1String kModuleBanner{".  Zelvan MDL v2.1"};

// Commands of the start-up exchange (the caller's routing adds the hub prefix).
inline constexpr QLatin1String kVersionRequest{"Ver\r\r"};    // StartMdl
inline constexpr QLatin1String kFirstVersionRequest{"Ver\r"}; // load step, raw
inline constexpr QLatin1String kReadDumpA{"mon\rRB600,100\r"};
inline constexpr QLatin1String kReadDumpB{"R2400,80\r"};
inline constexpr QLatin1String kMonitorOff{"NOMON\r"};
inline constexpr QLatin1String kHubWakeUp{"}0\r\r"};

// Number of dump lines in one exchange: 16 of dump A, then 8 of dump B.
inline constexpr int kDumpALines = 16;
inline constexpr int kDumpLines = 24;
inline constexpr int kDumpLineLength = 49;
inline constexpr int kDumpADigits = 512;
inline constexpr int kDumpBDigits = 256;

// Caption of the main window once the first group line has arrived.
inline const QString kMainTitleOnLine = QStringLiteral("Zelvan U2  - Panel");

// Start-up window labels while a module is being started.
inline const QString kSplashModule = QStringLiteral("Модул - ");
inline const QString kSplashObjects = QStringLiteral("Обекти - ");
inline const QString kSplashObjectsSuffix = QStringLiteral("Б");

// Texts after the time of an events line. The list adds one blank after the
// time itself, so these carry the second of the two blanks.
inline const QString kModuleStartedText = QStringLiteral(" Стартирана система Zelvan 064  Модул ");
inline const QString kLinkLostText = QStringLiteral(" Прекъсната връзка с Модул ");

// Link-lost window: head + plural ending when several modules are silent +
// CR + list of module labels + tail.
inline const QString kLinkLostHead = QStringLiteral("Комуникацията с  модул");
inline const QString kLinkLostPlural = QStringLiteral("и");
inline const QString kLinkLostTail = QStringLiteral(" е прекъсната!");

// Problems shown to the operator on the main panel: %1 the port number, %2 the
// device, %3 the reason.
inline QString portCannotOpen()
{
    return QStringLiteral(
        "Сериен порт %1 (%2) не може да се отвори; нов опит на всеки 10 секунди.");
}
inline QString portFailed()
{
    return QStringLiteral("Сериен порт %1 (%2) отказа: %3; нов опит на всеки 10 секунди.");
}
// A [CommPort] settings line the port could not use: %1 the port number, %2
// the device, %3 the settings line as written.
inline QString portSettingsUnreadable()
{
    return QStringLiteral("Сериен порт %1 (%2): настройките \"%3\" в [CommPort] не могат да се "
                          "прочетат (пример: 4800,n,8,1); портът работи с 9600,n,8,1.");
}
// %4 the settings the device refused, joined by ", ".
inline QString portSettingsRefused()
{
    return QStringLiteral("Сериен порт %1 (%2): устройството не прие от настройките \"%3\": %4.");
}
inline const QString kRefusedBaud = QStringLiteral("скоростта");
inline const QString kRefusedParity = QStringLiteral("четността");
inline const QString kRefusedDataBits = QStringLiteral("броя битове");
inline const QString kRefusedStopBits = QStringLiteral("стоп битовете");
// %1 the file, %2 the reason.
inline QString moduleStateNotSaved()
{
    return QStringLiteral(
        "Състоянието на модула не може да се запише в %1 (%2); нов опит на всеки 10 секунди.");
}
} // namespace zelvan::linktexts
