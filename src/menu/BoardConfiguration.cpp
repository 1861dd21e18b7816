#include "menu/BoardConfiguration.h"

#include "core/Addressing.h"
#include "core/ObjectFiles.h"
#include "core/StationState.h"
#include "menu/MenuTexts.h"

#include <algorithm>

namespace zelvan {

namespace {
QStringList makeCodes()
{
    QStringList codes;
    for (int i = 0; i < 256; ++i)
        codes.append(QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper());
    return codes;
}

// Index in Combo1 of a stored board code: its value read as hexadecimal; an
// empty or unreadable code selects "00".
int codeIndexOf(const QString& code)
{
    bool ok = false;
    const int value = code.trimmed().toInt(&ok, 16);
    return ok && value >= 0 && value <= 255 ? value : 0;
}
} // namespace

BoardConfiguration::BoardConfiguration(StationState& state, ObjectFiles& files, QObject* parent)
    : QObject(parent), m_state(state), m_files(files)
{
}

const QStringList& BoardConfiguration::codes()
{
    static const QStringList list = makeCodes();
    return list;
}

void BoardConfiguration::reset()
{
    m_codeIndex = 0;
    m_directPair = false;
    m_period = kMinPeriod;
    m_captions = menu_texts::kDefaultSignalCaptions;
    emit changed();
}

void BoardConfiguration::load(int k)
{
    if (!isObject(k))
        return;
    m_fileProblem = m_files.kavelReadProblem();
    m_codeIndex = codeIndexOf(m_state.KavelCode[size_t(k)]);
    m_directPair = m_state.KavelDirectPair[size_t(k)] != 0;
    m_period = std::clamp<int>(m_state.KavelPeriod[size_t(k)], kMinPeriod, kMaxPeriod);
    for (int j = 0; j < kSignalCount; ++j)
        m_captions[size_t(j)] = m_files.kavelCaption(k, j + 1).left(kCaptionLength);
    emit changed();
}

bool BoardConfiguration::store(int k)
{
    if (!isObject(k))
        return false;
    if (!m_fileProblem.isEmpty()) {
        // The object's records would be written into a file nobody could read.
        emit readFailed(m_files.kavelPath());
        return false;
    }
    ObjectFiles::BoardSettings settings;
    settings.captions = m_captions;
    settings.period = m_period;
    settings.code = code();
    settings.directPair = m_directPair;
    if (!m_files.setBoard(k, settings)) {
        emit writeFailed(m_files.kavelPath());
        return false;
    }
    m_state.KavelPeriod[size_t(k)] = m_period;
    m_state.KavelCode[size_t(k)] = settings.code;
    m_state.KavelDirectPair[size_t(k)] = m_directPair ? -1 : 0;
    return true;
}

QString BoardConfiguration::changeFrom(int k) const
{
    if (!isObject(k))
        return QString();
    const auto yesNo = [](bool on) { return on ? QStringLiteral("yes") : QStringLiteral("no"); };
    QStringList changes;
    const QString oldCode = m_state.KavelCode[size_t(k)];
    if (oldCode != code())
        changes << QStringLiteral("code %1->%2").arg(oldCode, code());
    const int oldPeriod = m_state.KavelPeriod[size_t(k)];
    if (oldPeriod != m_period)
        changes << QStringLiteral("period %1->%2").arg(oldPeriod).arg(m_period);
    const bool oldPair = m_state.KavelDirectPair[size_t(k)] != 0;
    if (oldPair != m_directPair)
        changes << QStringLiteral("direct pair %1->%2").arg(yesNo(oldPair), yesNo(m_directPair));
    // The captions as the file holds them, in one read; none when it cannot be read.
    if (m_fileProblem.isEmpty()) {
        const ObjectFiles::BoardSettings stored = m_files.board(k);
        for (int j = 0; j < kSignalCount; ++j) {
            const QString& old = stored.captions[size_t(j)];
            const QString& now = m_captions[size_t(j)];
            if (old != now)
                changes << QStringLiteral("signal %1 \"%2\"->\"%3\"").arg(j + 1).arg(old, now);
        }
    }
    return changes.isEmpty() ? QStringLiteral("unchanged") : changes.join(QStringLiteral(", "));
}

void BoardConfiguration::selectCode(int index)
{
    if (index >= 0 && index < codes().size())
        m_codeIndex = index;
}

void BoardConfiguration::setPeriod(int seconds)
{
    m_period = std::clamp(seconds, kMinPeriod, kMaxPeriod);
    emit changed();
}

QString BoardConfiguration::periodText() const
{
    return menu_texts::kPeriodPrefix + QString::number(m_period) + menu_texts::kSeconds;
}

QString BoardConfiguration::periodHint() const
{
    return QString::number(m_period) + menu_texts::kSeconds;
}

void BoardConfiguration::setCaption(int i, const QString& text)
{
    if (i >= 0 && i < kSignalCount)
        m_captions[size_t(i)] = text.left(kCaptionLength);
}

} // namespace zelvan
