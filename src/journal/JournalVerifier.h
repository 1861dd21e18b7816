#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace zelvan {

// What the check of one day file of the journal found.
struct JournalCheck
{
    enum class Fault
    {
        None,
        Changed,  // the line is not the one written in its place
        Removed,  // lines before this one are missing (its sequence skips)
        Inserted, // the line was not written by the journal: the next one
                  // follows the line before it
    };
    Fault fault = Fault::None;
    int line = 0;         // the faulty line's number in the file, from 1
    qint64 sequence = 0;  // its sequence (0: it has none)
    qint64 expected = 0;  // the sequence the journal's next line would have
    int verified = 0;     // lines whose chain value is right
    int unchained = 0;    // lines written before the chain existed, at the start of the file
    int unkeyed = 0;      // lines written without the key (an empty chain value)
    int firstUnkeyed = 0; // the first of them, by line number
    QList<int> torn;      // lines cut short by a crash or a power cut

    bool broken() const { return fault != Fault::None; }
    // No fault, but lines that cannot be proved (written before the chain or
    // without the key).
    bool unverifiable() const { return !broken() && (unchained > 0 || unkeyed > 0); }
};

// The rule of the journal's chain, for the journal that writes it and for
// everyone who checks it (the command line, the journal tab).
//
// Each line ends in its sequence in the day file (1, 2 ...) and a chain
// value: the keyed BLAKE2b (32 bytes, hex) of the chain value of the line
// before it in the same file (for the first line, the day's name
// "yy-mm-dd"), an LF, and the line's first seven fields as written (the
// six fields of the action and the sequence, tabs between them). A line
// written without the key has an empty chain value; the line after it
// chains from that empty value.
//
// A line that is not a whole line (a crash cut it short) is torn, not
// broken, when it is the last of the file, or when the line after it is the
// "unclean_end" of the next start and follows the line before the torn one:
// the journal continues the chain from its last whole line.
class JournalVerifier
{
public:
    explicit JournalVerifier(QByteArray key);

    bool hasKey() const { return !m_key.isEmpty(); }
    // The chain value of a line: `previous` the chain value before it (or the
    // day's start), `head` its first seven fields. Empty without a key.
    static QByteArray chainValue(QByteArrayView key, QByteArrayView previous, QByteArrayView head);
    // The value the first line of a day chains from.
    static QByteArray dayStart(const QString& dayName) { return dayName.toLatin1(); }

    // Checks a day file's content; dayName "yy-mm-dd".
    JournalCheck verify(QByteArrayView content, const QString& dayName) const;
    // What a check found, for the operator: one line per finding, each
    // beginning with the day file's name.
    static QStringList describe(const JournalCheck& check, const QString& fileName);

private:
    QByteArray m_key;
};

} // namespace zelvan
