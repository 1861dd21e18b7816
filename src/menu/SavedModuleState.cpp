#include "menu/SavedModuleState.h"

#include "core/Clock.h"
#include "core/NumericText.h"

#include <QDir>
#include <QFile>

namespace zelvan {

QString SavedModuleState::path(const QString& dataDir, int m)
{
    return QDir(dataDir).filePath(QStringLiteral("Mdl_%1.dat").arg(m));
}

SavedModuleState SavedModuleState::read(const QString& dataDir, int m)
{
    SavedModuleState saved;
    QFile file(path(dataDir, m));
    if (!file.open(QIODevice::ReadOnly))
        return saved;
    const QByteArray bytes = file.readAll();
    file.close();
    saved.exists = true;
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.isEmpty())
        return saved;
    saved.lostAt = fromDaySerial(numericValue(QLatin1StringView(lines.first())));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // Blank lines (the end of the last line, stray empty lines) carry no command.
        if (!lines.at(i).trimmed().isEmpty())
            saved.commands.append(lines.at(i));
    }
    return saved;
}

} // namespace zelvan
