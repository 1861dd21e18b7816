#include "support/TestFiles.h"

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

} // namespace zelvan::test
