#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>

namespace zelvan::test {

void deskShot(QWidget* window, const char* name)
{
    const QString shots = qEnvironmentVariable("ZELVAN_DESK_SHOTS");
    if (!shots.isEmpty())
        QVERIFY(window->grab().save(QDir(shots).filePath(QLatin1String(name))));
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString recordLetters(const QByteArrayList& records)
{
    QString letters;
    for (const QByteArray& r : records)
        letters += QChar(r.mid(4, 2).toInt());
    return letters;
}

bool makeUnopenable(const QString& path)
{
    QFile::remove(path);
    return QDir().mkdir(path);
}

bool makeReadBreakOff(const QString& path)
{
    QFile::remove(path);
    return QFile::link(QStringLiteral("/proc/self/mem"), path);
}

TemporaryHome::TemporaryHome()
    : m_home(qgetenv("HOME")), m_config(qgetenv("XDG_CONFIG_HOME")),
      m_hadConfig(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    qputenv("HOME", QFile::encodeName(m_dir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral(".config"))));
}

TemporaryHome::~TemporaryHome()
{
    qputenv("HOME", m_home);
    if (m_hadConfig)
        qputenv("XDG_CONFIG_HOME", m_config);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

} // namespace zelvan::test
