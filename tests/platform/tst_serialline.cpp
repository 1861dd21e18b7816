#include "link/PortKeeper.h"
#include "modsim/PtyLink.h"
#include "platform/SerialPortLine.h"
#include "support/PseudoTerminal.h"

#include <QTemporaryDir>

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

using namespace zelvan;
using namespace zelvan::test;

class TestSerialLine : public QObject
{
    Q_OBJECT
private slots:
    // What the modules said before the panel opened the port (still in the
    // driver, not yet read by anyone) is dropped at the open, never framed.
    void openingDropsWhatWaitedInTheDriver()
    {
        QTemporaryDir dir;
        modsim::PtyLink link;
        QString error;
        const QString path = dir.filePath(QStringLiteral("modules"));
        QVERIFY2(link.open(path, &error), qPrintable(error));
        link.write("{1#A5\r{1#A6\r");
        QTRY_COMPARE(link.queued(), qsizetype(0));

        SerialPortLine line;
        PortKeeper keeper(line, 1);
        QVERIFY(keeper.openAtStart(path, QStringLiteral("4800,n,8,1")));
        QByteArray received;
        connect(&line, &SerialLine::readyRead, this, [&] { received += line.readAll(); });
        link.write("{1#P7\r");
        QTRY_VERIFY(received.endsWith("{1#P7\r"));
        QCOMPARE(received, QByteArray("{1#P7\r"));
    }

    void devicePath_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("path");
        QTest::newRow("port 1") << "1"
                                << "/dev/ttyS0";
        QTest::newRow("port 4, blanks") << "  4"
                                        << "/dev/ttyS3";
        QTest::newRow("0 stays closed") << "0"
                                        << "";
        QTest::newRow("negative") << "-1"
                                  << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("device path") << "/dev/serial/by-id/usb-FTDI-if00"
                                     << "/dev/serial/by-id/usb-FTDI-if00";
    }
    void devicePath()
    {
        QFETCH(QString, token);
        QFETCH(QString, path);
        QCOMPARE(SerialPortLine::devicePath(token), path);
    }

    void settings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("stop");
        QTest::newRow("default") << "4800,n,8,1" << true << 4800 << int(QSerialPort::NoParity) << 8
                                 << int(QSerialPort::OneStop);
        QTest::newRow("even, 7 bits")
            << "9600,e,7,1" << true << 9600 << int(QSerialPort::EvenParity) << 7
            << int(QSerialPort::OneStop);
        QTest::newRow("odd, 2 stop, upper case")
            << "19200,O,8,2" << true << 19200 << int(QSerialPort::OddParity) << 8
            << int(QSerialPort::TwoStop);
        QTest::newRow("1.5 stop bits")
            << "1200,m,5,1.5" << true << 1200 << int(QSerialPort::MarkParity) << 5
            << int(QSerialPort::OneAndHalfStop);
        QTest::newRow("unknown parity") << "4800,x,8,1" << false << 0 << 0 << 0 << 0;
        QTest::newRow("9 data bits") << "4800,n,9,1" << false << 0 << 0 << 0 << 0;
        QTest::newRow("three fields") << "4800,n,8" << false << 0 << 0 << 0 << 0;
        QTest::newRow("empty") << "" << false << 0 << 0 << 0 << 0;
    }
    void settings()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        const auto s = SerialPortLine::parseSettings(text);
        QCOMPARE(s.has_value(), ok);
        if (!ok)
            return;
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, bits);
        QFETCH(int, stop);
        QCOMPARE(s->baud, baud);
        QCOMPARE(int(s->parity), parity);
        QCOMPARE(int(s->dataBits), bits);
        QCOMPARE(int(s->stopBits), stop);
    }

    void closedPortTokensDoNotOpen()
    {
        SerialPortLine line;
        QVERIFY(!line.open(QStringLiteral("0"), QStringLiteral("4800,n,8,1")));
        QVERIFY(!line.open(QStringLiteral("/nonexistent/tty"), QStringLiteral("4800,n,8,1")));
        QVERIFY(!line.isOpen());
        line.write("ignored"); // a write to a closed line is dropped
    }

    void trafficBothWaysOnPseudoTerminal_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("4800,n,8,1") << "4800,n,8,1";
        QTest::newRow("9600,e,7,1") << "9600,e,7,1";
        QTest::newRow("unreadable settings still open") << "fast";
    }
    void trafficBothWaysOnPseudoTerminal()
    {
        QFETCH(QString, settings);
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        SerialPortLine line;
        QVERIFY(line.open(pty.slavePath(), settings));
        QCOMPARE(line.deviceName(), pty.slavePath());

        line.write("}1Ver\r");
        QByteArray sent;
        QTRY_VERIFY_WITH_TIMEOUT((sent += pty.readNow()).size() >= 6, 5000);
        QCOMPARE(sent, QByteArray("}1Ver\r"));

        QSignalSpy ready(&line, &SerialLine::readyRead);
        // Every byte value passes unchanged: the line is raw.
        // (seven data bits carry the values below 128 only)
        const int values = settings.startsWith(QLatin1String("9600,e,7")) ? 128 : 256;
        QByteArray all;
        for (int i = 0; i < values; ++i)
            all.append(char(i));
        QVERIFY(pty.write(all));
        QByteArray got;
        while (got.size() < all.size() && (ready.size() > 0 || ready.wait(5000))) {
            ready.clear();
            got += line.readAll();
        }
        QCOMPARE(got, all);
    }

    // A panel that does not read holds at most the bound in memory; the rest
    // waits in the driver and arrives, whole and in order, once it reads again.
    void readBufferIsBoundedAndDrainsLater()
    {
        PseudoTerminal pty;
        SerialPortLine line;
        QVERIFY(line.open(pty.slavePath(), QStringLiteral("115200,n,8,1")));
        QByteArray sent;
        bool driverFull = false;
        const auto fill = [&] {
            char chunk[4096];
            for (;;) {
                for (size_t i = 0; i < sizeof chunk; ++i)
                    chunk[i] = char((sent.size() + qsizetype(i)) % 251);
                const ssize_t n = ::write(pty.fd(), chunk, sizeof chunk);
                if (n <= 0) {
                    driverFull = errno == EAGAIN;
                    break;
                }
                sent.append(chunk, n);
            }
            return driverFull && line.bytesAvailable() >= SerialPortLine::kReadBufferBytes;
        };
        QTRY_VERIFY_WITH_TIMEOUT(fill(), 10000);
        QCOMPARE(line.bytesAvailable(), SerialPortLine::kReadBufferBytes);
        QVERIFY(sent.size() > SerialPortLine::kReadBufferBytes);

        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += line.readAll()).size() >= sent.size(), 10000);
        QCOMPARE(got.size(), sent.size());
        QVERIFY(got == sent);
    }

    void otherEndClosingFailsTheLine()
    {
        auto pty = std::make_unique<PseudoTerminal>();
        SerialPortLine line;
        QVERIFY(line.open(pty->slavePath(), QStringLiteral("4800,n,8,1")));
        QSignalSpy failed(&line, &SerialLine::failed);
        pty.reset();
        QVERIFY(failed.wait(5000));
        QVERIFY(!line.isOpen());
    }
};

QTEST_MAIN(TestSerialLine)
#include "tst_serialline.moc"
