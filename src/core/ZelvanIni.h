#pragma once

#include "core/StationState.h"

#include <QString>
#include <QStringList>
#include <array>

namespace zelvan {

struct PortConfig
{
    QString token;    // port number, or a device path beginning with "/"
    QString settings; // "4800,n,8,1"
    // The port is opened when its number is greater than 0 or it names a device path.
    bool shouldOpen() const;
};

struct PrinterFont
{
    QString name = QStringLiteral("MS Sans Serif");
    int size = 11;
    bool bold = false;
    bool italic = false;
};

// What the start-up load step reads from zelvan.ini.
struct StartupConfig
{
    QString DataDir;
    QString ShowSystemZero = QStringLiteral("N");
    qint16 SystemNo = 0;
    QString HubMode = QStringLiteral("Y");
    std::array<PortConfig, 2> ports;
    QString moduls = QStringLiteral("YYYYYYYY");
    std::array<qint16, 6> options{1, 1, 0, 1, 0, 0};
    // Values that could not be read and took their default, for the operator.
    QStringList problems;

    // ModuleEnabled, the configuration values and the six options into the state.
    void applyTo(StationState& state) const;
};

// zelvan.ini in the program directory: positional sections, CR LF lines, cp1251.
class ZelvanIni
{
public:
    explicit ZelvanIni(QString programDir);

    QString path() const;
    bool exists() const;
    // Writes the default file, byte for byte.
    bool WriteDefaultConfig() const;
    StartupConfig readStartup() const;
    std::array<qint16, 6> readOptions() const;
    PrinterFont readPrinterFont() const;
    // Rewrites [Options] and then [FontPrinter], keeping every other line;
    // atomic: zelvan.tmp written, flushed and renamed over zelvan.ini.
    bool SaveMenuOptions(const std::array<qint16, 6>& options, const PrinterFont& font) const;

private:
    QString m_programDir;
};

} // namespace zelvan
