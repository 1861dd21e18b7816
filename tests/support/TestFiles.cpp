#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace zelvan::test {

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

} // namespace zelvan::test
