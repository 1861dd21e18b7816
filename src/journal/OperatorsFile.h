#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace zelvan {

// One operator of the panel: the name and the Argon2id string of the PIN
// (libsodium's crypto_pwhash_str: algorithm, costs, salt and hash in one).
struct OperatorRecord
{
    QString name;
    QByteArray pinHash;
};

// The `operators` file in the program directory: who may log in at the panel.
// One operator a line, "name<TAB>argon2id-string", UTF-8. The PIN itself is
// never stored. The file is written mode 0600 through the durable write; a
// file that group or others may read or write is refused (its hashes are open
// to guessing, or anyone could add an operator) and said as a problem.
class OperatorsFile
{
public:
    explicit OperatorsFile(QString programDir);

    static QString fileName() { return QStringLiteral("operators"); }
    QString path() const;

    struct Read
    {
        bool exists = false;             // the file is there
        QList<OperatorRecord> operators; // empty when refused or unreadable
        QString path;                    // the file read
        QString problem;                 // why it cannot be used; empty when it can
        QString mend;                    // how to mend it, when problem is set
        // Lines (numbered from 1) that could not be read, or repeat a name
        // already read: their operators are not in `operators`, and `problem`
        // names them. Blank lines do not count.
        QList<int> badLines;
    };
    Read read() const;

    // What kept add() or remove() from changing the file.
    enum class Failure
    {
        None,
        Name,     // not a name validName() allows
        Pin,      // not a PIN validPin() allows
        NotThere, // remove(): no operator of that name
        File,     // refused, unreadable, a line not read (it would be lost), not written
    };

    // Adds an operator, or gives an existing one a new PIN. False, with the
    // reason in errorString(), for a name or PIN that is not allowed, a file
    // that is refused or cannot be read, or a write that fails.
    bool add(const QString& name, const QString& pin);
    // False when the operator is not there, or as for add().
    bool remove(const QString& name);
    QString errorString() const { return m_error; }
    Failure failure() const { return m_failure; }

    // A name: 1 to 32 characters, no tab, no line break, no control or format
    // character, no space at either end, not "-" (the journal's name for
    // nobody logged in), not blank.
    static bool validName(const QString& name);
    // A PIN: 4 to 12 decimal digits.
    static bool validPin(const QString& pin);
    // The Argon2id string of a PIN, with a salt of its own; empty for a PIN
    // that validPin() does not allow, or when there is no memory for the hash.
    static QByteArray hashPin(const QString& pin);
    // Whether pin is the one the string was made of.
    static bool verifyPin(const QByteArray& pinHash, const QString& pin);

private:
    bool fail(Failure failure, const QString& error);
    // The operators as they are now, or false (and the failure) when the file
    // cannot be rewritten without losing what it holds.
    bool readWhole(QList<OperatorRecord>& operators);
    bool write(const QList<OperatorRecord>& operators);

    QString m_programDir;
    QString m_error;
    Failure m_failure = Failure::None;
};

} // namespace zelvan
