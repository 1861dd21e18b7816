#pragma once

#include <QString>
#include <QStringList>

namespace zelvan::test {

// What a test or a benchmark sets in the zelvan.ini it starts a station with;
// the rest is the file a new station directory would have.
struct StationIniOptions
{
    QString dataDir; // empty: <home>/Data
    QString hub = QStringLiteral("Y");
    QString settings1 = QStringLiteral("4800,n,8,1"); // [CommPort] settings of port 1
    QString port2 = QStringLiteral("0");              // 0: port 2 closed
    QString settings2 = QStringLiteral("4800,n,8,1");
    QString moduls = QStringLiteral("YYYYYYYY");
    // The six lines of [Options].
    QStringList options{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
                        QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")};
};

// Writes <home>/zelvan.ini (cp1251, CR LF) with port 1 on `device` (a port
// number or a device path); false when it cannot be written.
bool writeStationIni(const QString& home, const QString& device,
                     const StationIniOptions& options = {});

} // namespace zelvan::test
