#include "link/ModuleStateFile.h"

#include "core/Clock.h"
#include "core/DurableFile.h"

#include <QDir>

namespace zelvan {

ModuleStateFile::ModuleStateFile(QString dataDir, int m)
    : m_dataDir(std::move(dataDir)), m_module(m)
{
}

QString ModuleStateFile::path() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("Mdl_%1.dat").arg(m_module % 10));
}

QByteArray ModuleStateFile::serialText(const QDateTime& t)
{
    // 15 significant digits keep the time to well under a second.
    return QByteArray::number(daySerial(t), 'g', 15);
}

bool ModuleStateFile::write(const QDateTime& lostAt, const QStringList& commands)
{
    QByteArray content = serialText(lostAt) + "\r\n";
    for (const QString& c : commands)
        content += c.toLatin1() + "\r\n";
    DurableFile file(path());
    if (!file.replace(content)) {
        m_error = file.errorString();
        return false;
    }
    m_error.clear();
    return true;
}

} // namespace zelvan
