#include "menu/SavedModuleState.h"

#include "core/Addressing.h"
#include "core/Clock.h"
#include "core/NumericText.h"
#include "link/ModuleStateFile.h"

#include <QFile>

namespace zelvan {

std::optional<int> SavedModuleState::takeCommandObject(QByteArrayView line)
{
    if (line.size() < 2 || line.size() > 4 || line.at(0) != 'P' || line.at(1) == '0')
        return std::nullopt;
    int n = 0;
    for (const char c : line.sliced(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kObjectsPerModule)
        return std::nullopt;
    return n;
}

SavedModuleState SavedModuleState::read(const QString& dataDir, int m)
{
    SavedModuleState saved;
    saved.path = ModuleStateFile(dataDir, m).path();
    QFile file(saved.path);
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
        const QByteArray& line = lines.at(i);
        // Empty lines (the end of the last line, stray empty lines) carry no command.
        if (line.isEmpty())
            continue;
        if (const std::optional<int> n = takeCommandObject(line)) {
            saved.commands.append(line);
            saved.objects.append(*n);
        } else {
            saved.skippedLines.append(int(i + 1));
        }
    }
    return saved;
}

} // namespace zelvan
