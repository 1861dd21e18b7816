#include "menu/SavedModuleState.h"

#include "core/Clock.h"
#include "core/NumericText.h"
#include "link/ModuleStateFile.h"

#include <QFile>

namespace zelvan {

SavedModuleState SavedModuleState::read(const QString& dataDir, int m)
{
    SavedModuleState saved;
    QFile file(ModuleStateFile(dataDir, m).path());
    if (!file.exists())
        return saved;
    if (!file.open(QIODevice::ReadOnly)) {
        saved.unreadable = true;
        return saved;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        saved.unreadable = true;
        return saved;
    }
    file.close();
    saved.exists = true;
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    saved.lostAt = fromDaySerial(numericValue(QLatin1StringView(lines.first())));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        // Blank lines (the end of the last line, stray empty lines) carry no command.
        if (!lines.at(i).trimmed().isEmpty())
            saved.commands.append(lines.at(i));
    }
    return saved;
}

} // namespace zelvan
