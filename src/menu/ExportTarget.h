#pragma once

#include <QString>

namespace zelvan {

// Where the menu's exports (the CSV files and the PDF files of every print
// button) may be written. The save dialog lets the operator name any path; a
// file written there replaces what is there, so a careless or a hostile choice
// could put a report over the operators file, zelvan.ini, a day file or
// another document. The rule:
// - nothing inside the program directory or the data directory, compared by
//   canonical paths (symbolic links of the chosen file's folder followed), and
//   nothing whose folder cannot be resolved;
// - an existing file is replaced only when it is a regular file of the
//   export's own kind by its suffix (".csv", ".pdf", case-insensitive): a
//   directory, a symbolic link, a device or another kind of file is refused;
// - the save dialog starts in the operator's documents folder, created when
//   missing, never in the program or the data directory.
class ExportTarget
{
public:
    enum class Kind
    {
        Csv,
        Pdf
    };

    // Why a path is refused; None: it may be written.
    enum class Refusal
    {
        None,
        NoFolder,     // the folder of the path cannot be resolved
        ProgramDir,   // inside the program directory
        DataDir,      // inside the data directory
        NotRegular,   // a directory, a device or another non-file is there
        SymbolicLink, // a symbolic link is there
        OtherKind,    // a file of another kind is there
    };

    struct Verdict
    {
        Refusal refusal = Refusal::None;
        QString path; // the path judged
        bool allowed() const { return refusal == Refusal::None; }
        // For the operator: the path and why it is refused (empty when allowed).
        QString operatorText(Kind kind) const;
        // The journal's words for the refusal.
        QString journalDetail() const;
    };

    ExportTarget() = default;
    // Either may be empty (not known): then nothing is refused for it.
    ExportTarget(QString programDir, QString dataDir);

    Verdict check(const QString& path, Kind kind) const;

    // The folder the save dialog starts in: the operator's documents folder
    // (XDG, ~/Documents), made when missing; the home folder when that cannot
    // be used; empty when neither can (the dialog's own choice).
    QString startFolder() const;
    // The name offered by the save dialog, in startFolder().
    QString offeredPath(const QString& fileName) const;

    static QString suffix(Kind kind);

private:
    // True when the canonical path is dir or under it.
    static bool isUnder(const QString& canonical, const QString& dir);
    // A directory's canonical path; its clean absolute path when it does not exist.
    static QString resolvedDir(const QString& dir);
    Refusal insideRefusal(const QString& canonicalFolder) const;

    QString m_programDir;
    QString m_dataDir;
};

} // namespace zelvan
