#pragma once

#include <QString>
#include <QStringList>

// The texts of the archive report and of printing, as the operator sees them.
namespace zelvan::ReportTexts {

// Period labels.
inline const QString kYearSuffix = QStringLiteral(" год.");
inline const QString kFrom = QStringLiteral("От  ");
inline const QString kTo = QStringLiteral("До  ");
inline const QString kHourSuffix = QStringLiteral(":00");

// Kind phrases of the day heading.
inline const QString kTakenPhrase = QStringLiteral("поети обекти за ");
inline const QString kViolationsPhrase = QStringLiteral("нарушения за ");
inline const QString kTakenAndViolationsPhrase = QStringLiteral("поети обекти и нарушения за ");

// Headings. The first letter of "Aрхив" is the Latin capital A.
inline const QString kNoArchive = QStringLiteral("          Няма архив за ");
inline const QString kArchiveFor = QStringLiteral("          Aрхив за ");
inline const QString kNotTakenHeading = QStringLiteral("          Aрхив за непоемани обекти");
// Under a day's heading, when its file is there but cannot be opened, or its
// reading broke off (followed by the system's reason in brackets).
inline const QString kUnreadableArchive =
    QStringLiteral("          Архивът за този ден не може да бъде прочетен");
inline const QString kBrokenArchive =
    QStringLiteral("          Четенето на архива за този ден прекъсна");

// Record lines.
inline const QString kSystemStarted = QStringLiteral("         Стартирана система Zelvan 064");
inline const QString kLinkLost = QStringLiteral("         Прекъсната връзка с");
inline const QString kModule = QStringLiteral("  Модул ");
inline const QString kTaken = QStringLiteral("  Поет  ");
inline const QString kReleased = QStringLiteral("  Освободен  ");
inline const QString kViolated = QStringLiteral("  Нарушен  ");
inline const QString kOperator = QStringLiteral("  Оператор  ");
inline const QString kBalanced = QStringLiteral("  Балансиран  ");
inline const QString kSwitchedOn = QStringLiteral("  --  Включен  ");
inline const QString kSwitchedOff = QStringLiteral("  --  Изключен  ");
inline const QString kSignal = QStringLiteral("  --  ");
inline const QString kNotTaken = QStringLiteral("  Непоеман  ");

// The two lines that end a report that grew past its limit.
inline const QString kTooLarge =
    QStringLiteral("   Справката е твърде голяма и не се събира в буфера (65536 символа).");
inline const QString kContinueFrom = QStringLiteral("   Продължете от последната дата и час.");

// Printing.
inline const QString kNoPrinter = QStringLiteral("Няма инсталиран принтер");
// Shown before the path of the PDF file written when no printer is installed.
inline const QString kPrintedToFile =
    QStringLiteral("Няма инсталиран принтер. Отпечатано във файл: ");
inline const QString kPrintFailed = QStringLiteral("Печатът не е успешен.");

// Spreadsheet export: the header row, the kinds of rows that are not records
// or whose report line has no word of their own, and what became of an export.
inline const QStringList kCsvHeader = {QStringLiteral("Дата"),  QStringLiteral("Час"),
                                       QStringLiteral("Обект"), QStringLiteral("Име"),
                                       QStringLiteral("Модул"), QStringLiteral("Събитие"),
                                       QStringLiteral("Сигнал")};
inline const QString kCsvNoArchive = QStringLiteral("Няма архив");
inline const QString kCsvUnreadable = QStringLiteral("Архивът не може да бъде прочетен");
inline const QString kCsvBroken = QStringLiteral("Четенето на архива прекъсна");
inline const QString kCsvSignal = QStringLiteral("Сигнал ");
inline const QString kExportSaved = QStringLiteral("Записано във файл: ");
inline const QString kExportFailed = QStringLiteral("Файлът не е записан: ");
inline const QString kExportCancelled = QStringLiteral("Записът във файл е отказан.");
inline const QString kExporting = QStringLiteral("Запис във файл ...");
// A path the operator chose for an export and the menu will not write (the
// path, then one of the reasons below), nothing written.
inline const QString kExportRefused =
    QStringLiteral("Файлът %1 не е записан: %2. Изберете друго място.");
inline const QString kRefusedNoFolder = QStringLiteral("папката му не може да бъде намерена");
inline const QString kRefusedProgramDir = QStringLiteral("той е в папката на програмата");
inline const QString kRefusedDataDir = QStringLiteral("той е в папката с данните");
inline const QString kRefusedNotRegular =
    QStringLiteral("на това място има папка или друго, което не е обикновен файл");
inline const QString kRefusedSymbolicLink = QStringLiteral("на това място има символна връзка");
// Followed by the suffix of the export's kind (".csv", ".pdf").
inline const QString kRefusedOtherKind = QStringLiteral("там има друг файл, който не е от вида ");
// The kind of document in the name offered for a file.
inline const QString kReportFileKind = QStringLiteral("Архив");
inline const QString kNamesFileKind = QStringLiteral("Обекти");
inline const QString kObjectFileKind = QStringLiteral("Обект");

inline const QString kLineEnd = QStringLiteral("\r\n");

} // namespace zelvan::ReportTexts
