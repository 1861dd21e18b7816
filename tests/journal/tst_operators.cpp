// The operators file and the command line that manages it: the PIN leaves no
// trace but its Argon2id string, the file is the owner's alone, a file open to
// others or one that cannot be read is a problem and is never overwritten, and
// the commands answer with their exit status. Each Argon2id hash costs about
// 0.1 s and 64 MB: the suite makes few of them.
#include "journal/OperatorCommands.h"
#include "journal/OperatorsFile.h"
#include "support/TestFiles.h"

#include <QCommandLineParser>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace zelvan;
using zelvan::test::fileBytes;

namespace {

constexpr int kWaitMs = 30000;
const QString kPin = QStringLiteral("4096173852");

QString operatorsPath(const QTemporaryDir& dir) { return dir.filePath(OperatorsFile::fileName()); }

int modeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void writeOperators(const QString& path, const QByteArray& content, mode_t mode = 0600)
{
    zelvan::test::writeBytes(path, content);
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

struct CommandRun
{
    int status = -1;
    QString out;
    QString err;
};

// Runs an operator command as the program would, with `input` as its
// standard input (a pipe, not a terminal).
CommandRun runCommand(const QString& dir, const QStringList& arguments,
                      const QByteArray& input = QByteArray())
{
    CommandRun run;
    QCommandLineParser parser;
    OperatorCommands::addOptions(parser);
    int fds[2];
    if (!parser.parse(QStringList{QStringLiteral("zelvan")} + arguments) || ::pipe(fds) != 0)
        return run;
    const bool written = ::write(fds[1], input.constData(), size_t(input.size())) == input.size();
    ::close(fds[1]);
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    if (written)
        run.status = OperatorCommands(dir, {fds[0], out, err}).run(parser);
    ::close(fds[0]);
    return run;
}

// Reads a descriptor until `until` has come or the writer closed it.
QByteArray readUntil(int fd, const QByteArray& until)
{
    QByteArray got;
    char c = 0;
    while (!got.contains(until) && ::read(fd, &c, 1) == 1)
        got.append(c);
    return got;
}

} // namespace

class TestOperators : public QObject
{
    Q_OBJECT

    QByteArray m_hash; // of kPin, made once

private slots:
    void initTestCase()
    {
        m_hash = OperatorsFile::hashPin(kPin);
        QVERIFY(m_hash.startsWith("$argon2id$"));
    }

    // The file holds the name and the Argon2id string, nothing from which the
    // PIN could be read back, and only its owner may open it.
    void pinLeavesNoTrace()
    {
        QTemporaryDir dir;
        OperatorsFile file(dir.path());
        QVERIFY2(file.add(QStringLiteral("ana"), kPin), qPrintable(file.errorString()));
        const QByteArray bytes = fileBytes(operatorsPath(dir));
        QVERIFY2(QRegularExpression(QStringLiteral("^ana\\t\\$argon2id\\$v=19\\$m=65536,t=2,p=1"
                                                   "\\$[A-Za-z0-9+/]{22}\\$[A-Za-z0-9+/]{43}\\n$"))
                     .match(QString::fromLatin1(bytes))
                     .hasMatch(),
                 bytes.constData());
        const QByteArray pin = kPin.toLatin1();
        QByteArrayList encodings = {
            pin.toHex(), pin.toHex().toUpper(), pin.toBase64(),
            pin.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals),
            QByteArray(reinterpret_cast<const char*>(kPin.utf16()), kPin.size() * 2)};
        for (qsizetype i = 0; i + 6 <= pin.size(); ++i)
            encodings.append(pin.mid(i, 6)); // every run of six of its digits
        for (const QByteArray& e : encodings)
            QVERIFY2(!bytes.contains(e), e.constData());
        QCOMPARE(modeOf(operatorsPath(dir)), 0600);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{OperatorsFile::fileName()});

        const QList<OperatorRecord> read = file.read().operators;
        QCOMPARE(read.size(), 1);
        QVERIFY(OperatorsFile::verifyPin(read[0].pinHash, kPin));
        QVERIFY(!OperatorsFile::verifyPin(read[0].pinHash, QStringLiteral("4096173853")));
    }

    void namesAndPins_data()
    {
        QTest::addColumn<bool>("isPin");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("cyrillic, inner space") << false << QStringLiteral("Иван Петров") << true;
        QTest::newRow("32 outside the BMP")
            << false << QString::fromUcs4(U"😀").repeated(32) << true;
        QTest::newRow("33 characters") << false << QString(33, QLatin1Char('a')) << false;
        QTest::newRow("empty name") << false << QString() << false;
        QTest::newRow("nobody's dash") << false << QStringLiteral("-") << false;
        QTest::newRow("leading space") << false << QStringLiteral(" ana") << false;
        QTest::newRow("tab") << false << QStringLiteral("a\tb") << false;
        QTest::newRow("CR") << false << QStringLiteral("a\rb") << false;
        QTest::newRow("line separator") << false << QStringLiteral("a\u2028b") << false;
        QTest::newRow("zero-width space") << false << QStringLiteral("a\u200Bb") << false;
        QTest::newRow("lone surrogate") << false << QString(QChar(0xD800)) << false;
        QTest::newRow("4 digits") << true << QStringLiteral("0000") << true;
        QTest::newRow("12 digits") << true << QStringLiteral("123456789012") << true;
        QTest::newRow("3 digits") << true << QStringLiteral("123") << false;
        QTest::newRow("13 digits") << true << QStringLiteral("1234567890123") << false;
        QTest::newRow("a letter") << true << QStringLiteral("12a4") << false;
        QTest::newRow("arabic-indic digits")
            << true << QStringLiteral("\u0661\u0662\u0663\u0664") << false;
    }
    void namesAndPins()
    {
        QFETCH(bool, isPin);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(isPin ? OperatorsFile::validPin(text) : OperatorsFile::validName(text), valid);
    }

    // Open to others, or not a file that can be read: a problem, no operators,
    // and add() and remove() leave it as it is.
    void unusableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("mode");
        QTest::newRow("group may read") << "file" << 0640;
        QTest::newRow("others may read") << "file" << 0604;
        QTest::newRow("group may write") << "file" << 0620;
        QTest::newRow("a directory in its place") << "directory" << 0700;
        QTest::newRow("over 1 MiB") << "large" << 0600;
    }
    void unusableFile()
    {
        QFETCH(QString, kind);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = operatorsPath(dir);
        QByteArray content = "ana\t" + m_hash + '\n';
        if (kind == QLatin1String("large"))
            content += QByteArray(1024 * 1024, '\n');
        if (kind == QLatin1String("directory"))
            QVERIFY(zelvan::test::makeUnopenable(path));
        else
            writeOperators(path, content, mode_t(mode));

        OperatorsFile file(dir.path());
        const OperatorsFile::Read read = file.read();
        QVERIFY(read.exists);
        QVERIFY(read.operators.isEmpty());
        QVERIFY2(read.problem.contains(path), qPrintable(read.problem));
        QVERIFY(!file.add(QStringLiteral("bob"), QStringLiteral("1234")));
        QCOMPARE(file.failure(), OperatorsFile::Failure::File);
        QCOMPARE(file.errorString(), read.problem);
        QVERIFY(!file.remove(QStringLiteral("ana")));
        QCOMPARE(file.failure(), OperatorsFile::Failure::File);
        if (kind == QLatin1String("directory"))
            return;
        QCOMPARE(modeOf(path), mode);
        QCOMPARE(fileBytes(path), content);
    }

    // Every line that cannot be read is named; the operators of the others
    // are read; the file is not rewritten, which would lose the lines.
    void damagedLines_data()
    {
        QTest::addColumn<QByteArray>("content"); // @ stands for a hash
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("bad");
        const QStringList ana{QStringLiteral("ana")};
        QTest::newRow("empty file") << QByteArray() << QStringList() << QList<int>();
        QTest::newRow("blank lines, CR LF, no last LF")
            << QByteArray("\n\r\nana\t@\r\n \t\n\nбоян\t@")
            << QStringList{QStringLiteral("ana"), QStringLiteral("боян")} << QList<int>();
        QTest::newRow("no tab") << QByteArray("ana @\nbob\t@\n") << QStringList{"bob"}
                                << QList<int>{1};
        QTest::newRow("two tabs") << QByteArray("ana\t@\t@\n") << QStringList() << QList<int>{1};
        QTest::newRow("argon2i") << QByteArray("ana\t$argon2i$v=19$m=4096,t=3,p=1$c2FsdHNhbHQ$"
                                               "aGFzaGhhc2hoYXNoaGFzaA\n")
                                 << QStringList() << QList<int>{1};
        QTest::newRow("hash cut short")
            << QByteArray("ana\t@\nbob\t@cut\n") << ana << QList<int>{2};
        QTest::newRow("hash with a NUL")
            << QByteArray("ana\t@\0x\n", 8) << QStringList() << QList<int>{1};
        QTest::newRow("name not UTF-8")
            << QByteArray("a\xff\t@\n") << QStringList() << QList<int>{1};
        QTest::newRow("nobody's name") << QByteArray("-\t@\n") << QStringList() << QList<int>{1};
        QTest::newRow("name twice") << QByteArray("ana\t@\nana\t@\n") << ana << QList<int>{2};
        QTest::newRow("long line")
            << QByteArray("ana\t" + QByteArray(200000, 'A') + "\nana\t@") << ana << QList<int>{1};
    }
    void damagedLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, bad);
        content.replace("@cut", m_hash.left(m_hash.size() - 10)).replace("@", m_hash);
        QTemporaryDir dir;
        writeOperators(operatorsPath(dir), content);
        OperatorsFile file(dir.path());
        const OperatorsFile::Read read = file.read();
        QStringList got;
        for (const OperatorRecord& op : read.operators)
            got.append(op.name);
        QCOMPARE(got, names);
        QCOMPARE(read.badLines, bad);
        QCOMPARE(read.problem.isEmpty(), bad.isEmpty());
        if (bad.isEmpty())
            return;
        QVERIFY2(read.problem.contains(QString::number(bad[0])), qPrintable(read.problem));
        QVERIFY(!file.remove(names.value(0, QStringLiteral("ana"))));
        QCOMPARE(file.failure(), OperatorsFile::Failure::File);
        QCOMPARE(fileBytes(operatorsPath(dir)), content);
    }

    // Whatever the bytes, reading ends with a problem, never a crash.
    void garbageIsAProblem()
    {
        QTemporaryDir dir;
        QRandomGenerator random(64);
        for (int round = 0; round < 50; ++round) {
            QByteArray garbage(int(random.bounded(1, 8192)), Qt::Uninitialized);
            for (char& c : garbage)
                c = char(random.bounded(256));
            garbage.append("\t$argon2id$v=19$m=65536,t=2,p=1$\n");
            writeOperators(operatorsPath(dir), garbage);
            const OperatorsFile::Read read = OperatorsFile(dir.path()).read();
            QVERIFY(read.operators.isEmpty());
            QVERIFY(!read.problem.isEmpty());
        }
    }

    void addTwiceRemoveMissing()
    {
        QTemporaryDir dir;
        OperatorsFile file(dir.path());
        QVERIFY(file.add(QStringLiteral("ana"), QStringLiteral("1111")));
        QVERIFY(file.add(QStringLiteral("bob"), QStringLiteral("2222")));
        QVERIFY(file.add(QStringLiteral("ana"), QStringLiteral("3333")));
        const QList<OperatorRecord> ops = file.read().operators;
        QCOMPARE(ops.size(), 2);
        QCOMPARE(ops[0].name, QStringLiteral("ana")); // the order kept
        QVERIFY(OperatorsFile::verifyPin(ops[0].pinHash, QStringLiteral("3333")));
        QVERIFY(!OperatorsFile::verifyPin(ops[0].pinHash, QStringLiteral("1111")));

        const QByteArray before = fileBytes(operatorsPath(dir));
        QVERIFY(!file.remove(QStringLiteral("zoe")));
        QCOMPARE(file.failure(), OperatorsFile::Failure::NotThere);
        QCOMPARE(fileBytes(operatorsPath(dir)), before);
    }

    void commandLineManagesOperators()
    {
        QTemporaryDir dir;
        const QStringList add{QStringLiteral("--operator-add"), QStringLiteral("ana"),
                              QStringLiteral("--pin-stdin")};
        const QStringList list{QStringLiteral("--operator-list")};
        QCOMPARE(runCommand(dir.path(), add, kPin.toLatin1() + "\r\n").status, 0);
        QCOMPARE(runCommand(dir.path(), list).out, QStringLiteral("ana\n"));
        QVERIFY(
            OperatorsFile::verifyPin(OperatorsFile(dir.path()).read().operators[0].pinHash, kPin));
        const CommandRun removed =
            runCommand(dir.path(), {QStringLiteral("--operator-remove"), QStringLiteral("ana")});
        QCOMPARE(removed.status, 0);
        QCOMPARE(removed.out + removed.err, QString());
        QCOMPARE(runCommand(dir.path(), list).out, QString());
    }

    // Bad usage, names and PINs end with status 2, file problems with 1, each
    // said in one line that never holds the PIN; nothing goes to the output.
    void commandLineRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fileMode"); // 0: no file
        QTest::addColumn<int>("status");
        const QString add = QStringLiteral("--operator-add");
        const QString stdinPin = QStringLiteral("--pin-stdin");
        const QString list = QStringLiteral("--operator-list");
        const QString remove = QStringLiteral("--operator-remove");
        QTest::newRow("no command") << QStringList{stdinPin} << QByteArray() << 0 << 2;
        QTest::newRow("two commands") << QStringList{list, remove, "ana"} << QByteArray() << 0 << 2;
        QTest::newRow("add twice")
            << QStringList{add, "ana", add, "bob", stdinPin} << QByteArray("1234\n") << 0 << 2;
        QTest::newRow("bad name") << QStringList{add, "-", stdinPin} << QByteArray("1234\n") << 0
                                  << 2;
        QTest::newRow("no terminal, no --pin-stdin")
            << QStringList{add, "ana"} << QByteArray("1234\n1234\n") << 0 << 2;
        QTest::newRow("PIN too short")
            << QStringList{add, "ana", stdinPin} << QByteArray("123\n") << 0 << 2;
        QTest::newRow("no PIN") << QStringList{add, "ana", stdinPin} << QByteArray() << 0 << 2;
        QTest::newRow("remove missing") << QStringList{remove, "zoe"} << QByteArray() << 0600 << 2;
        QTest::newRow("list, file open to the group")
            << QStringList{list} << QByteArray() << 0640 << 1;
        QTest::newRow("add, file open to others")
            << QStringList{add, "bob", stdinPin} << QByteArray("1234\n") << 0604 << 1;
    }
    void commandLineRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, fileMode);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QByteArray content = "ana\t" + m_hash + '\n';
        if (fileMode != 0)
            writeOperators(operatorsPath(dir), content, mode_t(fileMode));
        const CommandRun run = runCommand(dir.path(), arguments, input);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.startsWith(QStringLiteral("zelvan: ")) && run.err.count('\n') == 1
                     && run.err.endsWith('\n'),
                 qPrintable(run.err));
        QVERIFY2(input.isEmpty() || !run.err.contains(QString::fromLatin1(input.left(4))),
                 qPrintable(run.err));
        QCOMPARE(fileBytes(operatorsPath(dir)), fileMode != 0 ? content : QByteArray());
    }

    // At a terminal the PIN is typed twice and not shown, and the terminal is
    // set back after.
    void terminalPinTypedTwice_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<int>("status");
        QTest::newRow("the same") << QByteArray("4096\n4096\n") << 0;
        QTest::newRow("different") << QByteArray("4096\n4097\n") << 2;
    }
    void terminalPinTypedTwice()
    {
        QFETCH(QByteArray, typed);
        QFETCH(int, status);
        QTemporaryDir dir;
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        int errPipe[2];
        QVERIFY(terminal >= 0 && ::pipe(errPipe) == 0);

        int result = -1;
        std::thread program([&] {
            QFile errFile;
            errFile.open(errPipe[1], QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
            QTextStream err(&errFile);
            QString out;
            QTextStream outStream(&out);
            QCommandLineParser parser;
            OperatorCommands::addOptions(parser);
            parser.parse({QStringLiteral("zelvan"), QStringLiteral("--operator-add"),
                          QStringLiteral("ana")});
            result = OperatorCommands(dir.path(), {terminal, outStream, err}).run(parser);
        });
        // Typed once the prompt is there, as a person would.
        QByteArray prompts = readUntil(errPipe[0], "PIN: ");
        const bool typedIn = ::write(master, typed.constData(), size_t(typed.size())) > 0;
        program.join();
        prompts += readUntil(errPipe[0], "never");
        ::close(errPipe[0]);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        char echoed[256];
        const ssize_t echoedBytes = ::read(master, echoed, sizeof echoed);
        termios after{};
        ::tcgetattr(terminal, &after);
        ::close(terminal);
        ::close(master);

        QVERIFY(typedIn);
        QCOMPARE(result, status);
        QVERIFY2(prompts.startsWith("PIN: \nPIN again: \n"), prompts.constData());
        QCOMPARE(echoedBytes, ssize_t(-1)); // nothing was shown at the terminal
        QVERIFY(after.c_lflag & ECHO);
        const QList<OperatorRecord> ops = OperatorsFile(dir.path()).read().operators;
        QCOMPARE(ops.size(), status == 0 ? 1 : 0);
        if (status == 0)
            QVERIFY(OperatorsFile::verifyPin(ops[0].pinHash, QStringLiteral("4096")));
    }

    // The program itself answers the commands without a display, and starts
    // no panel: the program directory holds the operators file alone.
    void programManagesOperators()
    {
        const QString program =
            qEnvironmentVariable("ZELVAN_BUILD_DIR") + QStringLiteral("/zelvan");
        if (!QFileInfo(program).isExecutable())
            QSKIP("the program is not built");
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(var));
        const auto run = [&](const QStringList& arguments, const QByteArray& input) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, QStringList{QStringLiteral("--home"), dir.path()} + arguments);
            p.write(input);
            p.closeWriteChannel();
            const bool ended = p.waitForFinished(kWaitMs) && p.exitStatus() == QProcess::NormalExit;
            return std::pair{ended ? p.exitCode() : -1,
                             p.readAllStandardOutput() + p.readAllStandardError()};
        };
        const auto added = run({QStringLiteral("--operator-add"), QStringLiteral("ana"),
                                QStringLiteral("--pin-stdin")},
                               kPin.toLatin1() + '\n');
        QCOMPARE(added, std::pair(0, QByteArray()));
        QCOMPARE(run({QStringLiteral("--operator-list")}, {}), std::pair(0, QByteArray("ana\n")));
        QCOMPARE(run({QStringLiteral("--operator-list"), QStringLiteral("--bogus")}, {}).first, 2);
        QCOMPARE(run({QStringLiteral("--operator-remove")}, {}).first, 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{OperatorsFile::fileName()});
    }
};

QTEST_GUILESS_MAIN(TestOperators)
#include "tst_operators.moc"
