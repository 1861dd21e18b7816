#include "core/SettingsReader.h"

#include "core/SettingsTexts.h"

#include <QDir>
#include <QFileInfo>

namespace zelvan {

namespace texts = settings_texts;

SettingsReader::SettingsReader(const QString& path, QString programDir, QString problemText)
    : m_ini(path, QSettings::IniFormat), m_template(std::move(problemText)), m_path(path),
      m_dir(std::move(programDir))
{
}

void SettingsReader::problem(const QString& key, const QString& what)
{
    problems.append(m_template.arg(m_path, keyName(key), what));
}

bool SettingsReader::readable()
{
    const QFileInfo info(m_path);
    if (!info.isFile() || !info.isReadable()) {
        problem(QStringLiteral("-"), texts::fileUnreadable().arg(m_path));
        return false;
    }
    if (status() != QSettings::NoError) {
        problem(QStringLiteral("-"), texts::notIniFile());
        return false;
    }
    return true;
}

QString SettingsReader::keyName(const QString& key)
{
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    return slash < 0
               ? key
               : QLatin1Char('[') + key.left(slash) + QStringLiteral("] ") + key.mid(slash + 1);
}

bool SettingsReader::boolean(const QString& key, bool fallback)
{
    if (!has(key))
        return fallback;
    const QString v = text(key).toLower();
    if (v == QLatin1String("true"))
        return true;
    if (v == QLatin1String("false"))
        return false;
    problem(key, texts::notBoolean().arg(text(key)));
    return fallback;
}

int SettingsReader::number(const QString& key, int fallback, int low, int high)
{
    if (!has(key))
        return fallback;
    bool ok = false;
    const int v = text(key).toInt(&ok);
    if (ok && v >= low && v <= high)
        return v;
    problem(key, texts::notNumber().arg(text(key)).arg(low).arg(high));
    return fallback;
}

QString SettingsReader::file(const QString& key)
{
    if (!has(key) || text(key).isEmpty())
        return {};
    QString path = QDir(m_dir).absoluteFilePath(text(key));
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        problem(key, texts::fileUnreadable().arg(path));
    return path;
}

} // namespace zelvan
