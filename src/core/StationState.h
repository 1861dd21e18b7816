#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>

namespace zelvan {

constexpr int kModuleCount = 8;
constexpr int kObjectsPerModule = 128;
constexpr int kObjectCount = kModuleCount * kObjectsPerModule;
constexpr int kPageCount = 16;
constexpr int kButtonsPerPage = 64;

// Guard-state codes of ObjState.
enum ObjStateCode : qint16
{
    Released = 0,
    Taken = 1,
    Violated = 2,
    TakeRequested = 3
};

// Per-module tables hold elements 0..8 (0 is the hub's own address), per-object
// tables elements 0..1024 (element 0 holds no object).
template <typename T> using ModuleTable = std::array<T, kModuleCount + 1>;
template <typename T> using ObjectTable = std::array<T, kObjectCount + 1>;

template <typename T> constexpr ModuleTable<T> filledModuleTable(T value)
{
    ModuleTable<T> t{};
    t.fill(value);
    return t;
}
template <typename T> ObjectTable<T> filledObjectTable(T value)
{
    ObjectTable<T> t{};
    t.fill(value);
    return t;
}

// Everything the panel knows about the installation, in memory, for the life of
// the program. One instance, owned by the station and handed to every part by
// reference. Names are the system's own vocabulary.
struct StationState
{
    // Per-module link state.
    ModuleTable<bool> ModuleEnabled{};
    ModuleTable<bool> ModuleAnswered{};
    ModuleTable<bool> ModuleWasAnswering = filledModuleTable(true);
    ModuleTable<bool> ModuleStarted{};
    // The supervision found the module's link lost (its link-lost record was
    // written); cleared when its start-up exchange completes. Before either,
    // the link is not known: neither lost nor on line.
    ModuleTable<bool> ModuleLinkLost{};
    ModuleTable<QByteArray> RxBuffer{};
    ModuleTable<QByteArray> RxHashBuffer{};
    ModuleTable<qint16> RxHashMode{};
    ModuleTable<QString> ModuleVersionText{};
    ModuleTable<qint16> DumpLineCount{};
    ModuleTable<QString> DumpA{};
    ModuleTable<QString> DumpB{};

    // Link scalars.
    qint16 RxModule = 0;
    char RxPrevChar = 0; // 0 = empty
    qint16 StartupModule = 0;
    float StartupTime = 0.0f; // seconds since midnight
    bool FirstStartPending = true;

    // Per-object state.
    ObjectTable<qint16> ObjInstalled{};
    ObjectTable<qint16> ObjState{}; // "not yet known" compares as 0 and is stored as 0
    ObjectTable<qint16> ObjParamA{};
    ObjectTable<qint16> ObjParamB{};
    ObjectTable<qint16> ObjParamC{};
    ObjectTable<qint16> ObjLineFlag = filledObjectTable<qint16>(-1);
    ObjectTable<double> ObjLastTime{}; // day serial
    ObjectTable<qint32> ObjColor{};
    ObjectTable<qint32> KavelPeriod = filledObjectTable<qint32>(10);
    ObjectTable<QString> KavelCode = filledObjectTable<QString>(QStringLiteral("00"));
    ObjectTable<qint16> KavelDirectPair{};

    // Configuration values from zelvan.ini.
    QString DataDir;
    QString ShowSystemZero = QStringLiteral("N");
    qint16 SystemNo = 0;
    QString HubMode = QStringLiteral("Y");
    qint16 OptShowAlarms = 1;
    qint16 OptShowEvents = 1;
    qint16 OptPanelOnTop = 0;
    qint16 OptAlarmSound = 1;
    qint16 OptEventSound = 0;
    qint16 OptShowKeypad = 0;

    // Selection state of the main window.
    qint16 CurrentPage = 0;
    qint16 LastPage = 0;
    qint16 PageBase = 0;
    qint16 ClickedButton = 0;
    qint16 SelectedObject = 0;
    QString SelectedObjectNo;
    QString PendingMeasure;
    qint16 MeasuredValue = 500;

    // Fixed table, elements 1..12.
    std::array<QString, 13> MonthName{};

    bool hubTopology() const { return HubMode == QLatin1String("Y"); }
    bool showSystemPrefix() const
    {
        return !(ShowSystemZero == QLatin1String("N") && SystemNo == 0);
    }
    // Fills MonthName with the month names of the reports.
    void fillMonthNames();
};

} // namespace zelvan
