#include "journal/LoginHolds.h"

#include "core/OwnerOnlyFile.h"
#include "journal/JournalTexts.h"

#include <QList>
#include <algorithm>
#include <array>

namespace zelvan {

namespace texts = journal_texts;

namespace {

// A few hundred operators' lines; anything far beyond is not this file.
constexpr qint64 kMaxFileBytes = 256 * 1024;
constexpr std::array<int, 4> kHoldMinutes = {1, 5, 15, 60};
constexpr int kFields = 4;

// ISO 8601 with the offset from UTC, so that the autumn hour is not ambiguous.
QString withOffset(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

LoginHolds::LoginHolds(QString programDir, FileSync sync)
    : m_programDir(std::move(programDir)), m_sync(std::move(sync))
{
}

QString LoginHolds::path() const { return m_programDir + QLatin1Char('/') + fileName(); }

int LoginHolds::holdMinutes(int n)
{
    return kHoldMinutes[size_t(std::clamp(n, 1, int(kHoldMinutes.size())) - 1)];
}

bool LoginHolds::load()
{
    m_entries.clear();
    m_kept.clear();
    m_readProblem.clear();
    const OwnerOnlyFile file = OwnerOnlyFile::read(path(), kMaxFileBytes);
    switch (file.problem) {
    case OwnerOnlyFile::Problem::None:
        break;
    case OwnerOnlyFile::Problem::OpenToOthers:
        m_readProblem = texts::holdsOpen().arg(path());
        return false;
    case OwnerOnlyFile::Problem::Unreadable:
        m_readProblem = texts::holdsUnreadable().arg(path(), file.reason);
        return false;
    case OwnerOnlyFile::Problem::NotRegular:
        m_readProblem = texts::holdsUnreadable().arg(path(), texts::notARegularFile());
        return false;
    case OwnerOnlyFile::Problem::TooLarge:
        m_readProblem = texts::holdsUnreadable().arg(path(), texts::tooLarge().arg(kMaxFileBytes));
        return false;
    }
    int number = 0;
    for (QByteArrayView line : file.content.split('\n')) {
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
        bool failuresOk = false;
        bool holdsOk = false;
        Entry e;
        if (f.size() == kFields) {
            e.failures = f[1].toInt(&failuresOk);
            e.holds = f[2].toInt(&holdsOk);
            e.heldUntil = QDateTime::fromString(f[3], Qt::ISODate);
        }
        // A line that cannot be read may have been a hold: nothing is
        // guessed, the file is named and log-ins wait until it is mended.
        if (!failuresOk || !holdsOk || f[0].isEmpty() || e.failures < 0 || e.holds < 0
            || (!f[3].isEmpty() && !e.heldUntil.isValid())) {
            m_entries.clear();
            m_kept.clear();
            m_readProblem = texts::holdsBadLine().arg(path()).arg(number);
            return false;
        }
        m_entries.insert(f[0], e);
        m_kept.insert(f[0], true);
    }
    return true;
}

bool LoginHolds::held(const QString& name, const QDateTime& now) const
{
    const auto e = m_entries.constFind(name);
    return e != m_entries.cend() && e->heldUntil.isValid() && now < e->heldUntil;
}

LoginHolds::Entry LoginHolds::failed(const QString& name, const QDateTime& now, bool keep)
{
    Entry& e = m_entries[name];
    if (e.heldUntil.isValid() && now >= e.heldUntil)
        e.heldUntil = QDateTime();
    ++e.failures;
    if (e.failures >= kMaxFailures) {
        e.failures = 0;
        ++e.holds;
        e.heldUntil = now.addSecs(qint64(holdMinutes(e.holds)) * 60);
    }
    Entry after = e;
    if (keep) {
        m_kept.insert(name, true);
        save();
    }
    return after;
}

void LoginHolds::succeeded(const QString& name)
{
    if (m_entries.remove(name) > 0 && m_kept.remove(name) > 0)
        save();
}

QList<QPair<QString, QDateTime>> LoginHolds::heldNames(const QDateTime& now) const
{
    QList<QPair<QString, QDateTime>> names;
    for (auto e = m_entries.cbegin(); e != m_entries.cend(); ++e) {
        if (e->heldUntil.isValid() && now < e->heldUntil)
            names.append({e.key(), e->heldUntil});
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The whole file anew, owner-only before its first byte. A write that fails
// keeps the counts in memory (they still hold in this run) and says so.
bool LoginHolds::save()
{
    QByteArray content;
    QStringList names = m_kept.keys();
    names.sort();
    for (const QString& name : names) {
        const Entry e = m_entries.value(name);
        content += QStringList{name, QString::number(e.failures), QString::number(e.holds),
                               e.heldUntil.isValid() ? withOffset(e.heldUntil) : QString()}
                       .join(QLatin1Char('\t'))
                       .toUtf8()
                   + '\n';
    }
    DurableFile file(path(), m_sync);
    if (!file.replace(content, QString(), DurableFile::Permissions::OwnerOnly)) {
        m_writeProblem = texts::holdsNotWritten().arg(file.errorString());
        return false;
    }
    m_writeProblem.clear();
    return true;
}

} // namespace zelvan
