#include "support/StationIni.h"

#include "core/Cp1251.h"

#include <QDir>
#include <QFile>

namespace zelvan::test {

bool writeStationIni(const QString& home, const QString& device, const StationIniOptions& options)
{
    const QString dataDir =
        options.dataDir.isEmpty() ? QDir(home).filePath(QStringLiteral("Data")) : options.dataDir;
    QStringList lines{QStringLiteral("[DirData]"),
                      dataDir,
                      QString(),
                      QStringLiteral("[Visible 0]"),
                      QStringLiteral("N"),
                      QString(),
                      QStringLiteral("[System]"),
                      QStringLiteral("0"),
                      QString(),
                      QStringLiteral("[Hub]"),
                      options.hub,
                      QString(),
                      QStringLiteral("[CommPort]"),
                      device,
                      options.settings1,
                      options.port2,
                      options.settings2,
                      QString(),
                      QStringLiteral("[Moduls]"),
                      options.moduls,
                      QString(),
                      QStringLiteral("[Options]")};
    lines << options.options;
    lines << QString() << QStringLiteral("[FontPrinter]") << QStringLiteral("MS Sans Serif")
          << QStringLiteral("11") << QStringLiteral("0") << QStringLiteral("0");
    QFile f(QDir(home).filePath(QStringLiteral("zelvan.ini")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = toCp1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace zelvan::test
