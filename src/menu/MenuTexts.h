#pragma once

#include <QString>
#include <QStringList>
#include <array>

// The menu window's own texts, in one place.
namespace zelvan::menu_texts {

inline const QString kWindowCaption = QStringLiteral("Меню");

inline const std::array<QString, 9> kTabCaptions = {QStringLiteral("Архив задание"),
                                                    QStringLiteral("Обекти списък"),
                                                    QStringLiteral("Настройка"),
                                                    QStringLiteral("Архив данни"),
                                                    QStringLiteral("Обекти информация"),
                                                    QStringLiteral("Информация"),
                                                    QStringLiteral("Възстановяване"),
                                                    QStringLiteral("Обекти конфигуриране"),
                                                    QStringLiteral("Журнал")};

// Module captions of Check11 and Command8: "Модул  " + system part + digit.
inline const QString kModuleWord = QStringLiteral("Модул  ");

// Archive request and archive data tabs.
inline const QString kObjectsFrame = QStringLiteral("Обекти");
inline const QString kKindsFrame = QStringLiteral("Архив за ....");
inline const QString kPeriodFrame = QStringLiteral("Период");
inline const std::array<QString, 4> kKindCaptions = {
    QStringLiteral("Поети , Кавел"), QStringLiteral("Нарушения"), QStringLiteral("Баланс"),
    QStringLiteral("Непоемани")};
inline const std::array<QString, 4> kKindControls = {
    QStringLiteral("Check8"), QStringLiteral("Check9"), QStringLiteral("Check13"),
    QStringLiteral("Check10")};
inline const QString kOk = QStringLiteral("Ok");

// Settings tab.
inline const QString kOptionsFrame = QStringLiteral("Прозорци,звуци и изход от менюто");
inline const std::array<QString, 6> kOptionCaptions = {
    QStringLiteral("Прозорец само за нарушения"),
    QStringLiteral("Прозорец за всички събития"),
    QStringLiteral("Панела отгоре при нарушение"),
    QStringLiteral("Звук докато има нарушение"),
    QStringLiteral("Звук при събитие"),
    QStringLiteral("Прозорец клавиатура")};
inline const std::array<QString, 6> kOptionControls = {
    QStringLiteral("Check1"), QStringLiteral("Check2"), QStringLiteral("Check3"),
    QStringLiteral("Check4"), QStringLiteral("Check5"), QStringLiteral("Check12")};
inline const QString kLeaveMenu = QStringLiteral("Изход от менюто");
inline const QString kPrinterFrame = QStringLiteral("Принтер");
inline const QString kBold = QStringLiteral("Bold");
// The printer font's name and size as the journal tab names their changes.
inline const QString kFontName = QStringLiteral("Шрифт на принтера");
inline const QString kFontSize = QStringLiteral("Размер на шрифта");
inline const QString kItalic = QStringLiteral("Italic");
inline const QString kLatinSample = QStringLiteral("AaBbCcDd");
inline const QString kCyrillicSample = QStringLiteral("АаБбВвГг");
inline const QStringList kFontSizes = {
    QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"),
    QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18")};

// Objects list and information tabs.
inline const QString kSave = QStringLiteral("Запис");
inline const QString kPrint = QStringLiteral("Печат");
inline const QString kPreview = QStringLiteral("Преглед");
inline const QString kPdf = QStringLiteral("PDF");
inline const QString kCsv = QStringLiteral("CSV");
// File types offered by the save dialog; the CSV ones in the order of their separators.
inline const QString kPdfFiles = QStringLiteral("PDF (*.pdf)");
inline const QStringList kCsvFiles = {QStringLiteral("CSV, разделител ; (*.csv)"),
                                      QStringLiteral("CSV, разделител , (*.csv)")};

// Board configuration tab.
inline const QString kBoardFrame = QStringLiteral("Конфигуриране на платка Кавел");
inline const QString kSignalsFrame = QStringLiteral("Сигнали на платка Кавел");
inline const QString kObjectCaptionInitial = QStringLiteral("Номер и име на обекта");
inline const QString kKavelId = QStringLiteral("Кавел  ID:");
inline const QString kDirectPair = QStringLiteral("Директен чифт");
inline const QString kPeriodPrefix =
    QStringLiteral("    Време за поемане/освобождажане след команда от обекта :  ");
inline const QString kSeconds = QStringLiteral(" s");
inline const QString kDirectPairNote =
    QStringLiteral("    При директен чифт,освен освобождаването, поемането също може да се "
                   "извърши от обекта.")
    + QLatin1Char('\r')
    + QStringLiteral("    Маркирай \"Директен чифт\", само ако чифта наистина е директен и "
                     "няма телефон. В противен случай телефона няма да работи !");
inline const std::array<QString, 5> kSignalLabels = {
    QStringLiteral("Сигнал   1"), QStringLiteral("Сигнал   2"), QStringLiteral("Сигнал   3"),
    QStringLiteral("Сигнал   4"), QStringLiteral("Сигнал   5")};
inline const std::array<QString, 5> kDefaultSignalCaptions = {
    QStringLiteral("220 V"), QStringLiteral("Батерия"), QStringLiteral("Зона 1"),
    QStringLiteral("Зона 2"), QStringLiteral("Зона 3")};
inline const QString kConfirm = QStringLiteral("Подтвърждение");
inline const QString kCancel = QStringLiteral("Отказ");

// Restore tab.
inline const QString kRestoreFrame =
    QStringLiteral("Възстановяване на последното състояние преди прекъсване на връзката по модули");
inline const QString kRestoreGap = QStringLiteral("           "); // eleven spaces
inline const QString kRestoreNoData = QStringLiteral("   няма данни  !");
// Mdl_<n>.dat is there but cannot be read: the saved state exists, unsendable.
inline const QString kRestoreUnreadable =
    QStringLiteral("   данните не могат да бъдат прочетени  !");
inline const QString kYearSuffix = QStringLiteral(" г.");
// The port did not send the restore's lines (module caption, lines not sent).
inline const QString kRestoreStalled =
    QStringLiteral("Възстановяването на %1 е спряно: линията не изпраща, %2 реда не са изпратени.");
// Lines of Mdl_<n>.dat that are not a take command of one of the module's
// objects (the file, then the line numbers) are not sent.
inline const QString kRestoreSkipped = QStringLiteral(
    "%1: редове, които не са команди за поемане на обект от модула, не са изпратени: %2.");
// After the first ten line numbers: how many more.
inline const QString kRestoreMoreLines = QStringLiteral(" и още %1");

// Information tab: the product, its maker and the module software it needs.
inline const QString kProductTitle = QStringLiteral("Zelvan 064");
inline const QString kMakerName = QStringLiteral("Zelvan Panel Project");
inline const QString kAboutSentence = QStringLiteral(
    "Zelvan 064 е операторски панел на централна станция за охранителна сигнализация, "
    "разработен от Zelvan Panel Project.");
inline const QString kFirmwareSentence =
    QStringLiteral("За използване на пълните възможностите на системата е необходимо софтуерът на "
                   "изнесените модули да е Ver. 2.10.F или по-голяма.");
// %1: the program's version, as zelvan --version prints it.
inline QString versionLine() { return QStringLiteral("Версия %1"); }
inline const QString kMakerContact =
    QStringLiteral("Zelvan Panel Project  -  поддръжка: support@zelvan-panel.example");

// Problems reported in the window itself.
inline const QString kWriteFailed = QStringLiteral("Неуспешен запис във файла %1");
// Name.dat or Kavel.dat is there but cannot be read (the file and the reason
// follow): what its records hold is not shown, and nothing is saved over it.
inline const QString kNamesUnreadable =
    QStringLiteral("Имената не могат да бъдат прочетени (%1). Не се показват и не се записват.");
inline const QString kBoardsUnreadable = QStringLiteral(
    "Настройките на платките не могат да бъдат прочетени (%1). Не се показват и не се записват.");
inline const QString kNotReplaced =
    QStringLiteral("Файлът %1 не може да бъде прочетен и не е презаписан");

} // namespace zelvan::menu_texts
