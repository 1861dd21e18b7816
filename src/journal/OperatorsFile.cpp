#include "journal/OperatorsFile.h"

#include "core/DurableFile.h"
#include "core/OwnerOnlyFile.h"
#include "journal/JournalTexts.h"
#include "journal/PinMemory.h"

#include <QFile>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <sodium.h>

namespace zelvan {

namespace texts = journal_texts;

namespace {

// A few hundred operators take some tens of kilobytes; anything far beyond is
// not an operators file, and is not read into memory.
constexpr qint64 kMaxFileBytes = 1024 * 1024;
constexpr int kMaxNameChars = 32;
constexpr qsizetype kMinPinDigits = 4;
constexpr qsizetype kMaxPinDigits = 12;
// Bad lines named in the problem text; the rest are counted in badLines.
constexpr qsizetype kBadLinesNamed = 10;
constexpr QByteArrayView kArgon2idPrefix = "$argon2id$";

bool sodiumReady() { return sodium_init() >= 0; }

// A PIN hash as libsodium writes it for Argon2id: printable ASCII, shorter
// than its buffer, and a string libsodium can take apart (the check parses
// it, it does not hash). Other algorithms are not taken.
bool usableHash(const QByteArray& hash)
{
    if (hash.size() >= qsizetype(crypto_pwhash_STRBYTES) || !hash.startsWith(kArgon2idPrefix))
        return false;
    for (const char c : hash) {
        if (c < '!' || c > '~')
            return false;
    }
    return sodiumReady()
           && crypto_pwhash_str_needs_rehash(hash.constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                             crypto_pwhash_MEMLIMIT_INTERACTIVE)
                  != -1;
}

// One line of the file, its line end already cut: "name<TAB>hash".
bool parseLine(QByteArrayView line, OperatorRecord& out)
{
    const qsizetype tab = line.indexOf('\t');
    if (tab < 0)
        return false;
    const QByteArrayView nameBytes = line.first(tab);
    out.name = QString::fromUtf8(nameBytes);
    // Bytes that are not UTF-8 come back as U+FFFD and do not round-trip.
    if (out.name.toUtf8() != nameBytes || !OperatorsFile::validName(out.name))
        return false;
    out.pinHash = line.sliced(tab + 1).toByteArray();
    return usableHash(out.pinHash);
}

QString lineNumbers(const QList<int>& lines)
{
    QStringList named;
    for (qsizetype i = 0; i < lines.size() && i < kBadLinesNamed; ++i)
        named.append(QString::number(lines[i]));
    QString text = named.join(QStringLiteral(", "));
    if (lines.size() > kBadLinesNamed)
        text += QStringLiteral(", …");
    return text;
}

void parse(const QByteArray& content, OperatorsFile::Read& out)
{
    QSet<QString> names;
    int number = 0;
    for (QByteArrayView line : content.split('\n')) {
        ++number;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        OperatorRecord op;
        if (!parseLine(line, op) || names.contains(op.name)) {
            out.badLines.append(number);
            continue;
        }
        names.insert(op.name);
        out.operators.append(op);
    }
}

// The file's bytes, checked on the opened descriptor. Empty with `problem`
// set when it cannot be used.
QByteArray readChecked(const QString& path, OperatorsFile::Read& out)
{
    OwnerOnlyFile file = OwnerOnlyFile::read(path, kMaxFileBytes);
    out.exists = file.exists;
    switch (file.problem) {
    case OwnerOnlyFile::Problem::None:
        return std::move(file.content);
    case OwnerOnlyFile::Problem::Unreadable:
        out.problem = texts::operatorsUnreadable().arg(path, file.reason);
        break;
    case OwnerOnlyFile::Problem::NotRegular:
        out.problem = texts::operatorsUnreadable().arg(path, texts::notARegularFile());
        break;
    case OwnerOnlyFile::Problem::OpenToOthers:
        out.problem = texts::operatorsOpen().arg(path);
        out.mend = texts::mendOpen().arg(path);
        return {};
    case OwnerOnlyFile::Problem::TooLarge:
        out.problem = texts::operatorsUnreadable().arg(path, texts::tooLarge().arg(kMaxFileBytes));
        break;
    }
    out.mend = texts::mendCheck();
    return {};
}

} // namespace

OperatorsFile::OperatorsFile(QString programDir) : m_programDir(std::move(programDir)) {}

QString OperatorsFile::path() const { return m_programDir + QLatin1Char('/') + fileName(); }

OperatorsFile::Read OperatorsFile::read() const
{
    Read out;
    out.path = path();
    const QByteArray content = readChecked(path(), out);
    if (!out.problem.isEmpty())
        return out;
    parse(content, out);
    if (!out.badLines.isEmpty()) {
        out.problem = texts::badLines().arg(path(), lineNumbers(out.badLines));
        out.mend = texts::mendCheck();
    }
    return out;
}

bool OperatorsFile::fail(Failure failure, const QString& error)
{
    m_failure = failure;
    m_error = error;
    return false;
}

bool OperatorsFile::readWhole(QList<OperatorRecord>& operators)
{
    Read now = read();
    // A file with lines that were not read is not rewritten: they would be lost.
    if (!now.problem.isEmpty())
        return fail(Failure::File, now.problem);
    operators = std::move(now.operators);
    return true;
}

bool OperatorsFile::write(const QList<OperatorRecord>& operators)
{
    QByteArray content;
    for (const OperatorRecord& op : operators)
        content += op.name.toUtf8() + '\t' + op.pinHash + '\n';
    DurableFile file(path());
    if (file.replace(content, QString(), DurableFile::Permissions::OwnerOnly))
        return true;
    return fail(Failure::File, texts::operatorsNotWritten().arg(path(), file.reason()));
}

bool OperatorsFile::add(const QString& name, const QString& pin)
{
    m_failure = Failure::None;
    m_error.clear();
    if (!validName(name))
        return fail(Failure::Name, texts::badName());
    if (!validPin(pin))
        return fail(Failure::Pin, texts::badPin());
    QList<OperatorRecord> operators;
    if (!readWhole(operators))
        return false;
    const QByteArray hash = hashPin(pin);
    if (hash.isEmpty())
        return fail(Failure::File, texts::pinNotHashed());
    auto same = [&name](const OperatorRecord& op) { return op.name == name; };
    const auto it = std::find_if(operators.begin(), operators.end(), same);
    if (it != operators.end())
        it->pinHash = hash;
    else
        operators.append({name, hash});
    return write(operators);
}

bool OperatorsFile::remove(const QString& name)
{
    m_failure = Failure::None;
    m_error.clear();
    if (!validName(name))
        return fail(Failure::Name, texts::badName());
    QList<OperatorRecord> operators;
    if (!readWhole(operators))
        return false;
    auto same = [&name](const OperatorRecord& op) { return op.name == name; };
    if (operators.removeIf(same) == 0)
        return fail(Failure::NotThere, texts::noSuchOperator().arg(name));
    return write(operators);
}

bool OperatorsFile::validName(const QString& name)
{
    if (name == QLatin1String("-") || name.trimmed() != name || !name.isValidUtf16())
        return false;
    const QList<uint> chars = name.toUcs4();
    if (chars.isEmpty() || chars.size() > kMaxNameChars)
        return false;
    for (const uint c : chars) {
        switch (QChar::category(char32_t(c))) {
        case QChar::Other_Control: // tab, line ends
        case QChar::Other_Format:  // invisible: zero-width, direction marks
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
    }
    return true;
}

bool OperatorsFile::validPin(const QString& pin)
{
    if (pin.size() < kMinPinDigits || pin.size() > kMaxPinDigits)
        return false;
    return std::all_of(pin.begin(), pin.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

QByteArray OperatorsFile::hashPin(const QString& pin)
{
    if (!validPin(pin) || !sodiumReady())
        return {};
    QByteArray digits = pin.toLatin1();
    const WipeOnExit wipeDigits(digits);
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, digits.constData(), size_t(digits.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        return {};
    return QByteArray(hash);
}

bool OperatorsFile::verifyPin(const QByteArray& pinHash, const QString& pin)
{
    if (!validPin(pin) || !usableHash(pinHash))
        return false;
    QByteArray digits = pin.toLatin1();
    const WipeOnExit wipeDigits(digits);
    return crypto_pwhash_str_verify(pinHash.constData(), digits.constData(), size_t(digits.size()))
           == 0;
}

} // namespace zelvan
