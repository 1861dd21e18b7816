#include "core/InformationFile.h"

#include "core/Addressing.h"
#include "core/Cp1251.h"
#include "core/DurableFile.h"

#include <QDir>
#include <QFile>

namespace zelvan {

InformationFile::InformationFile(const QString& dataDir, int k)
    : m_path(QDir(dataDir).filePath(fileName(k)))
{
}

QString InformationFile::fileName(int k)
{
    return QStringLiteral("DI_%1-%2.dat").arg(moduleOf(k)).arg(objectNoOf(k));
}

QString InformationFile::unreadableNotice()
{
    return QStringLiteral("  Информацията за този обект не може да бъде прочетена !");
}

bool InformationFile::exists() const { return QFile::exists(m_path); }

std::optional<QByteArray> InformationFile::readBytes()
{
    m_error.clear();
    QFile file(m_path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> InformationFile::read()
{
    const std::optional<QByteArray> bytes = readBytes();
    if (!bytes)
        return std::nullopt;
    return fromCp1251(*bytes);
}

std::optional<QString> InformationFile::load()
{
    std::optional<QByteArray> bytes = readBytes();
    if (!bytes)
        return std::nullopt;
    if (bytes->endsWith("\r\n"))
        bytes->chop(2);
    bytes->replace("\r\n", "\n");
    return fromCp1251(*bytes);
}

bool InformationFile::save(const QString& text) const
{
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return DurableFile(m_path).replace(toCp1251(body) + "\r\n");
}

} // namespace zelvan
