#include "menu/ExportTarget.h"

#include "report/ReportTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelvan {

ExportTarget::ExportTarget(QString programDir, QString dataDir)
    : m_programDir(std::move(programDir)), m_dataDir(std::move(dataDir))
{
}

QString ExportTarget::suffix(Kind kind)
{
    return kind == Kind::Csv ? QStringLiteral(".csv") : QStringLiteral(".pdf");
}

QString ExportTarget::resolvedDir(const QString& dir)
{
    if (dir.isEmpty())
        return QString();
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(dir).absolutePath()) : canonical;
}

bool ExportTarget::isUnder(const QString& canonical, const QString& dir)
{
    if (dir.isEmpty())
        return false;
    if (canonical == dir)
        return true;
    const QString prefix = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    return canonical.startsWith(prefix);
}

ExportTarget::Refusal ExportTarget::insideRefusal(const QString& canonicalFolder) const
{
    if (isUnder(canonicalFolder, resolvedDir(m_programDir)))
        return Refusal::ProgramDir;
    if (isUnder(canonicalFolder, resolvedDir(m_dataDir)))
        return Refusal::DataDir;
    return Refusal::None;
}

ExportTarget::Verdict ExportTarget::check(const QString& path, Kind kind) const
{
    Verdict verdict;
    verdict.path = path;
    const QFileInfo target(path);
    // The folder with its links followed: a link to the data directory
    // elsewhere is the data directory.
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    if (path.isEmpty() || folder.isEmpty() || !QFileInfo(folder).isDir()) {
        verdict.refusal = Refusal::NoFolder;
        return verdict;
    }
    verdict.refusal = insideRefusal(folder);
    if (!verdict.allowed())
        return verdict;
    // What is there now (a link is judged itself, not where it points: the
    // replacement would put the file in the link's place).
    if (target.isSymLink()) {
        verdict.refusal = Refusal::SymbolicLink;
    } else if (target.exists()) {
        if (!target.isFile())
            verdict.refusal = Refusal::NotRegular;
        else if (!target.fileName().endsWith(suffix(kind), Qt::CaseInsensitive))
            verdict.refusal = Refusal::OtherKind;
    }
    return verdict;
}

QString ExportTarget::Verdict::operatorText(Kind kind) const
{
    QString why;
    switch (refusal) {
    case Refusal::None:
        return QString();
    case Refusal::NoFolder:
        why = ReportTexts::kRefusedNoFolder;
        break;
    case Refusal::ProgramDir:
        why = ReportTexts::kRefusedProgramDir;
        break;
    case Refusal::DataDir:
        why = ReportTexts::kRefusedDataDir;
        break;
    case Refusal::NotRegular:
        why = ReportTexts::kRefusedNotRegular;
        break;
    case Refusal::SymbolicLink:
        why = ReportTexts::kRefusedSymbolicLink;
        break;
    case Refusal::OtherKind:
        why = ReportTexts::kRefusedOtherKind + ExportTarget::suffix(kind);
        break;
    }
    return ReportTexts::kExportRefused.arg(path, why);
}

QString ExportTarget::Verdict::journalDetail() const
{
    QString why;
    switch (refusal) {
    case Refusal::None:
        return path;
    case Refusal::NoFolder:
        why = QStringLiteral("its folder cannot be resolved");
        break;
    case Refusal::ProgramDir:
        why = QStringLiteral("inside the program directory");
        break;
    case Refusal::DataDir:
        why = QStringLiteral("inside the data directory");
        break;
    case Refusal::NotRegular:
        why = QStringLiteral("not a regular file");
        break;
    case Refusal::SymbolicLink:
        why = QStringLiteral("a symbolic link");
        break;
    case Refusal::OtherKind:
        why = QStringLiteral("a file of another kind");
        break;
    }
    return QStringLiteral("refused %1: %2").arg(path, why);
}

QString ExportTarget::startFolder() const
{
    const auto usable = [this](const QString& dir) {
        if (dir.isEmpty() || !QDir().mkpath(dir))
            return false;
        const QString canonical = QFileInfo(dir).canonicalFilePath();
        return !canonical.isEmpty() && insideRefusal(canonical) == Refusal::None;
    };
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (usable(documents))
        return documents;
    QString home = QDir::homePath();
    if (usable(home))
        return home;
    return QString();
}

QString ExportTarget::offeredPath(const QString& fileName) const
{
    const QString folder = startFolder();
    return folder.isEmpty() ? fileName : QDir(folder).filePath(fileName);
}

} // namespace zelvan
