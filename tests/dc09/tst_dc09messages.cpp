// The messages byte for byte (against what the receiver of iobroker.sia took),
// read back plain and encrypted, cut from a stream; and what dc09.ini may say.
#include "dc09/Dc09Frame.h"
#include "dc09/Dc09Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::dc09;

namespace {

const QDateTime kSent(QDate(2026, 12, 11), QTime(4, 47, 51), QTimeZone::utc());

} // namespace

class TestDc09Messages : public QObject
{
    Q_OBJECT
private slots:
    void crcOfTheCheckString() { QCOMPARE(crc16("123456789"), quint16(0xBB3D)); }

    // Messages the real receiver acknowledged, byte for byte.
    void build_data()
    {
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<int>("sequence");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("SIA-DCS") << QByteArray("SIA-DCS") << 1 << QByteArray("#1234|Nri1/BA1")
                                 << QByteArray("\nB0B0003A\"SIA-DCS\"0001R1L1#1234[#1234|Nri1/"
                                               "BA1]_04:47:51,12-11-2026\r");
        QTest::newRow("ADM-CID") << QByteArray("ADM-CID") << 9 << QByteArray("#1234|1130 01 001")
                                 << QByteArray("\n8E47003D\"ADM-CID\"0009R1L1#1234[#1234|1130 01 "
                                               "001]_04:47:51,12-11-2026\r");
    }
    void build()
    {
        QFETCH(QByteArray, token);
        QFETCH(int, sequence);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, frame);
        QCOMPARE(dc09::build({token, sequence, "1", "1", "1234"}, data, kSent), frame);
    }

    // Read back: plain, each key length; a damaged message says what is wrong.
    void readBack_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("readKey");
        QTest::addColumn<int>("damageAt"); // a byte changed there, -1 none
        QTest::addColumn<QByteArray>("error");
        const QByteArray k16 = "0123456789abcdef";
        const QByteArray k32 = "0123456789abcdefABCDEFGHIJKLMNOP";
        QTest::newRow("plain") << QByteArray() << QByteArray() << -1 << QByteArray();
        QTest::newRow("AES-128") << k16 << k16 << -1 << QByteArray();
        QTest::newRow("AES-192") << k32.left(24) << k32.left(24) << -1 << QByteArray();
        QTest::newRow("AES-256") << k32 << k32 << -1 << QByteArray();
        QTest::newRow("CRC") << QByteArray() << QByteArray() << 1 << QByteArray("CRC");
        QTest::newRow("data changed") << QByteArray() << QByteArray() << 40 << QByteArray("CRC");
        QTest::newRow("wrong key") << k16 << k16.toUpper() << -1 << QByteArray("cipher");
        QTest::newRow("no key") << k16 << QByteArray() << -1 << QByteArray("cipher");
    }
    void readBack()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, readKey);
        QFETCH(int, damageAt);
        QFETCH(QByteArray, error);
        const Cipher cipher(key);
        const Header h{"SIA-DCS", 42, "A1", "2", "02005"};
        QByteArray frame =
            dc09::build(h, "#02005|Nti12:30:05/BA1", kSent, key.isEmpty() ? nullptr : &cipher);
        if (damageAt >= 0)
            frame[damageAt] = frame[damageAt] == 'X' ? 'Y' : 'X';
        const Cipher reader(readKey);
        const Message m = parse(frame, readKey.isEmpty() ? nullptr : &reader);
        QCOMPARE(m.error, error);
        if (!error.isEmpty())
            return;
        QCOMPARE(m.encrypted, !key.isEmpty());
        QCOMPARE(m.header.token, h.token);
        QCOMPARE(m.header.sequence, 42);
        QCOMPARE(m.header.receiver, h.receiver);
        QCOMPARE(m.header.line, h.line);
        QCOMPARE(m.header.account, h.account);
        QCOMPARE(m.data, QByteArray("#02005|Nti12:30:05/BA1"));
        QCOMPARE(*m.sent, kSent);
    }

    // The real receiver's answers.
    void receiverAnswers()
    {
        const Message nak = parse("\nA4440025\"NAK\"0000R0L0A0[]_04:47:51,12-11-2026\r");
        QVERIFY(nak.sound());
        QCOMPARE(nak.header.token, QByteArray("NAK"));
        QCOMPARE(*nak.sent, kSent);
        const Message ack = parse("\nD2770014\"ACK\"0001R1L1#1234[]\r");
        QVERIFY(ack.sound());
        QCOMPARE(ack.header.sequence, 1);
        QCOMPARE(ack.header.account, QByteArray("1234"));
        QVERIFY(!ack.sent);
    }

    void scanner_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::newRow("two in one")
            << QList<QByteArray>{"\nA\r\nB\r"} << QList<QByteArray>{"\nA\r", "\nB\r"};
        QTest::newRow("split, noise before")
            << QList<QByteArray>{"xx\nA", "B\r"} << QList<QByteArray>{"\nAB\r"};
        QTest::newRow("a new start") << QList<QByteArray>{"\nA\nB\r"} << QList<QByteArray>{"\nB\r"};
        QTest::newRow("too long") << QList<QByteArray>{"\n" + QByteArray(3000, 'x') + "\r\nC\r"}
                                  << QList<QByteArray>{"\nC\r"};
        QTest::newRow("endless noise")
            << QList<QByteArray>{"\n" + QByteArray(20000, 'x'), "\r\nD\r"}
            << QList<QByteArray>{"\nD\r"};
    }
    void scanner()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, frames);
        FrameScanner s;
        QList<QByteArray> got;
        for (const QByteArray& c : chunks) {
            s.feed(c);
            while (const std::optional<QByteArray> f = s.next())
                got.append(*f);
        }
        QCOMPARE(got, frames);
    }

    // Each wrong value is a problem line naming the file and the key.
    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("problem"); // a part of the only problem line; empty: none
        const QByteArray base = "[receiver]\nhost = 127.0.0.1  ; a comment\nport=12128\n";
        QTest::newRow("good") << base << QString();
        QTest::newRow("no host") << QByteArray("[receiver]\nport=1\n") << "[receiver] host: липсва";
        QTest::newRow("no port") << QByteArray("[receiver]\nhost=a\n") << "[receiver] port: липсва";
        QTest::newRow("protocol") << base + "protocol=sctp\n"
                                  << "[receiver] protocol";
        QTest::newRow("token") << base + "[message]\ntoken=SIA\n"
                               << "[message] token";
        QTest::newRow("receiver") << base + "[message]\nreceiver=1234567\n"
                                  << "[message] receiver";
        QTest::newRow("account") << base + "[message]\nstation_account=0G\n"
                                 << "[message] station_account";
        QTest::newRow("hex key") << base + "[message]\nkey_hex=0123\n"
                                 << "[message] key_hex";
        QTest::newRow("text key") << base + "[message]\nkey_text=short\n"
                                  << "[message] key_text";
        QTest::newRow("two keys") << base + "[message]\nkey_hex=" + QByteArray(32, 'A')
                                         + "\nkey_text=" + QByteArray(16, 'b') + "\n"
                                  << "key_hex и key_text";
        QTest::newRow("unknown") << base + "[link]\nretries=3\n"
                                 << "[link] retries: непознат ключ";
        QTest::newRow("timeout") << base + "[link]\ntimeout=0\n"
                                 << "[link] timeout";
        QTest::newRow("code") << base + "[codes]\nA=BA E13\n"
                              << "[codes] A";
        QTest::newRow("no such letter") << base + "[codes]\nZ=BA E130 1\n"
                                        << "[codes] Z";
        QTest::newRow("object") << base + "[accounts]\n1025=1234\n"
                                << "[accounts] 1025";
    }
    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QFile f(dir.filePath(SettingsFile::fileName()));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(ini) == ini.size());
        f.close();
        const SettingsFile::Result r = SettingsFile::read(dir.path(), 0);
        QVERIFY(r.present);
        if (problem.isEmpty()) {
            QVERIFY2(r.problems.isEmpty(), qPrintable(r.problems.join('\n')));
            return;
        }
        QCOMPARE(r.problems.size(), 1);
        QVERIFY2(r.problems.front().contains(problem) && r.problems.front().contains(f.fileName()),
                 qPrintable(r.problems.front()));
        QVERIFY(!r.usable());
    }

    // What the file changes, and a key that others may read.
    void settingsTaken()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(SettingsFile::fileName()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[receiver]\nhost=h\nport=9\nbackup_host=b\n[message]\ntoken=ADM-CID\n"
                "key_text=0123456789abcdef\n[codes]\nR=OR R121 7\nrestore=none\n"
                "[accounts]\n133=ABC123\n");
        f.close();
        QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        SettingsFile::Result r = SettingsFile::read(dir.path(), 3);
        QVERIFY2(r.usable(), qPrintable(r.problems.join('\n')));
        const Settings& s = r.settings;
        QCOMPARE(s.backup.text(), QStringLiteral("b:9"));
        QCOMPARE(s.token, QByteArray("ADM-CID"));
        QCOMPARE(s.key, QByteArray("0123456789abcdef"));
        QCOMPARE(s.codes.of(u'R'), (EventCode{"OR", "R121", 7}));
        QVERIFY(s.codes.restore().local());
        QCOMPARE(s.accounts.of(133), QByteArray("ABC123"));
        QCOMPARE(s.accounts.of(134), QByteArray("32006"));
        QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ReadOther));
        r = SettingsFile::read(dir.path(), 3);
        QCOMPARE(r.problems.size(), 1);
        QVERIFY(r.problems.front().contains(QStringLiteral("600")));
        // A directory in its place: unreadable, and nothing is sent.
        QVERIFY(f.remove() && QDir(dir.path()).mkdir(SettingsFile::fileName()));
        r = SettingsFile::read(dir.path(), 3);
        QVERIFY(r.present && !r.usable());
        // The example shipped with the package reads as it stands.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("example")));
        QVERIFY(QFile::copy(qEnvironmentVariable("ZELVAN_SOURCE_DIR")
                                + QStringLiteral("/packaging/dc09.ini.example"),
                            dir.filePath(QStringLiteral("example/dc09.ini"))));
        r = SettingsFile::read(dir.filePath(QStringLiteral("example")), 0);
        QVERIFY2(r.usable(), qPrintable(r.problems.join('\n')));
        QCOMPARE(r.settings.primary.text(), QStringLiteral("127.0.0.1:12128"));
        QCOMPARE(r.settings.supervisionS, 90);
    }
};

QTEST_GUILESS_MAIN(TestDc09Messages)
#include "tst_dc09messages.moc"
