#include "report/ReportCsv.h"

#include "core/Addressing.h"
#include "core/Labels.h"
#include "core/ObjectFiles.h"
#include "core/ReasonText.h"
#include "core/StationState.h"
#include "report/ReportTexts.h"

#include <QScopedValueRollback>

namespace zelvan {

using namespace ReportTexts;

namespace {

constexpr int kSignals = 5;

QByteArray quoted(const QString& text, QChar separator)
{
    const bool needsQuotes = text.contains(separator) || text.contains(u'"') || text.contains(u'\r')
                             || text.contains(u'\n');
    if (!needsQuotes)
        return text.toUtf8();
    QString q = text;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return '"' + q.toUtf8() + '"';
}

// "hh:mm:ss" of a second of the day.
void appendTime(int second, QByteArray& out)
{
    const int parts[] = {second / 3600, second / 60 % 60, second % 60};
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            out += ':';
        out += char('0' + parts[i] / 10);
        out += char('0' + parts[i] % 10);
    }
}

} // namespace

QByteArray csvRow(const QStringList& fields, QChar separator)
{
    QByteArray row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            row += QString(separator).toUtf8();
        row += quoted(fields[i], separator);
    }
    row += "\r\n";
    return row;
}

ReportCsvRows::ReportCsvRows(const StationState& state, const ObjectFiles& files,
                             const ReportRequest& request, QChar separator)
    : m_state(state), m_files(files), m_request(request), m_separator(separator),
      m_objects(kObjectCount + 1), m_captions(size_t(kObjectCount) * kSignals),
      m_captionRead(size_t(kObjectCount) * kSignals, false)
{
}

QByteArray ReportCsvRows::header() const { return csvRow(kCsvHeader, m_separator); }

QByteArray ReportCsvRows::field(const QString& text) const { return quoted(text, m_separator); }

QString ReportCsvRows::kindOf(const DayRecord& record)
{
    // The words of the report's lines without their blanks and the "--" that
    // marks the board's records.
    const auto word = [](const QString& text) {
        QString w = text.trimmed();
        if (w.startsWith(QStringLiteral("--")))
            w = w.mid(2).trimmed();
        return w;
    };
    switch (record.letter.unicode()) {
    case u'S':
        return word(kSystemStarted);
    case u'V':
        return word(kLinkLost);
    case u'P':
        return word(kTaken);
    case u'O':
        return word(kReleased);
    case u'A':
        return word(kViolated);
    case u'R':
        return word(kOperator);
    case u'B':
        return word(kBalanced);
    case u'N':
        return word(kSwitchedOn);
    case u'F':
        return word(kSwitchedOff);
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
        return kCsvSignal + record.letter;
    default:
        return {};
    }
}

// Label, name and module of object k, each followed by the separator.
const QByteArray& ReportCsvRows::objectFields(int k)
{
    QByteArray& fields = m_objects[size_t(k)];
    if (fields.isEmpty()) {
        const QByteArray sep = QString(m_separator).toUtf8();
        const QString name =
            k <= m_request.entries().size() ? menuEntryName(m_request.entries()[k - 1]) : QString();
        fields = field(MenuObjectLabel(m_state, k).trimmed()) + sep + field(name.trimmed()) + sep
                 + QByteArray::number(moduleOf(k)) + sep;
    }
    return fields;
}

const QByteArray& ReportCsvRows::caption(int k, int signal)
{
    const size_t i = size_t(k - 1) * kSignals + size_t(signal - 1);
    if (!m_captionRead[i]) {
        m_captions[i] = field(m_files.kavelCaption(k, signal));
        m_captionRead[i] = true;
    }
    return m_captions[i];
}

const QByteArray& ReportCsvRows::kindField(const DayRecord& record)
{
    // Every reported letter is below 128 (S, V, the object letters, 1..5).
    QByteArray& kind = m_kinds[size_t(record.letter.unicode() & 127)];
    if (kind.isEmpty())
        kind = field(kindOf(record));
    return kind;
}

// The kind of a day's row that is not a record: no file, or a file that
// could not be read (to the end), with the system's reason.
QString ReportCsvRows::dayKind(const ReportItem& item)
{
    switch (item.kind) {
    case ReportItem::DayUnreadable:
        return withReason(kCsvUnreadable, item.reason);
    case ReportItem::DayBroken:
        return withReason(kCsvBroken, item.reason);
    default:
        return kCsvNoArchive;
    }
}

void ReportCsvRows::appendDay(const QDate& day, QByteArray& out)
{
    if (day != m_day) {
        m_day = day;
        m_dayField = day.toString(Qt::ISODate).toUtf8();
    }
    out += m_dayField;
}

bool ReportCsvRows::appendRow(const ReportItem& item, QByteArray& out)
{
    const char sep = char(m_separator.unicode());
    switch (item.kind) {
    case ReportItem::DayMissing:
    case ReportItem::DayUnreadable:
    case ReportItem::DayBroken:
        appendDay(item.day, out);
        out += sep;
        out += sep;
        out += sep;
        out += sep;
        out += sep;
        out += field(dayKind(item));
        out += sep;
        break;
    case ReportItem::Record: {
        const DayRecord& r = item.record;
        appendDay(item.day, out);
        out += sep;
        appendTime(r.secondOfDay(), out);
        out += sep;
        const char16_t letter = r.letter.unicode();
        if (letter == u'S' || letter == u'V') {
            out += sep;
            out += sep;
            out += QByteArray::number(r.module);
            out += sep;
        } else {
            out += objectFields(r.k);
        }
        out += kindField(r);
        out += sep;
        if (letter >= u'1' && letter <= u'5')
            out += caption(r.k, letter - u'0');
        break;
    }
    case ReportItem::NotTaken:
        out += sep;
        out += sep;
        out += objectFields(item.record.k);
        out += field(kNotTaken.trimmed());
        out += sep;
        break;
    default:
        return false;
    }
    out += "\r\n";
    return true;
}

// ---- the export ----

namespace {
// Rows are handed to the file in blocks of about this size.
constexpr qsizetype kWriteBlock = 1 << 20;
} // namespace

ReportCsvExport::ReportCsvExport(const StationState& state, const ObjectFiles& files,
                                 const ReportScope& scope, const ReportRequest& request,
                                 QString path, QChar separator, FileSync sync, QObject* parent)
    : QObject(parent), m_request(request), m_walker(files.dataDir(), scope, m_request),
      m_format(state, files, m_request, separator), m_path(std::move(path)),
      m_tmpPath(DurableFile::temporaryPathOf(m_path)), m_target(m_path, std::move(sync)),
      m_out(m_tmpPath)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { step(); });
}

ReportCsvExport::~ReportCsvExport()
{
    if (m_started && !m_over) {
        m_out.close();
        DurableFile::discard(m_tmpPath);
    }
}

void ReportCsvExport::start() { m_timer.start(); }

void ReportCsvExport::cancel()
{
    if (m_over)
        return;
    end(false, kExportCancelled);
}

QString ReportCsvExport::failedText() const
{
    return kExportFailed + m_path + QStringLiteral(": ") + m_out.errorString();
}

bool ReportCsvExport::write(const QByteArray& bytes) { return m_out.write(bytes) == bytes.size(); }

void ReportCsvExport::end(bool ok, const QString& message)
{
    m_over = true;
    m_ok = ok;
    m_timer.stop();
    if (m_out.isOpen())
        m_out.close();
    if (!ok && m_started)
        DurableFile::discard(m_tmpPath);
    emit finished(ok, message);
}

bool ReportCsvExport::step()
{
    // A handler of progress may run the event loop (a modal progress dialog
    // does): the timer must not start another slice inside this one.
    if (m_over || m_inStep)
        return !m_over;
    const QScopedValueRollback<bool> inStep(m_inStep, true);
    if (!m_started) {
        m_started = true;
        if (!m_out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            end(false, failedText());
            return false;
        }
        // The byte-order mark tells a spreadsheet the file is UTF-8.
        m_buffer = QByteArray("\xEF\xBB\xBF") + m_format.header();
    }
    // One slice: up to the end of the next day file, or the whole not-taken list.
    ReportItem item;
    bool more = false;
    bool written = true;
    while ((more = m_walker.next(item))) {
        if (m_format.appendRow(item, m_buffer))
            ++m_rowCount;
        if (m_buffer.size() >= kWriteBlock) {
            written = write(m_buffer);
            m_buffer.clear();
            if (!written)
                break;
        }
        if (item.kind == ReportItem::DayEnds || item.kind == ReportItem::DayMissing)
            break;
    }
    if (written && !more) {
        written = write(m_buffer) && m_out.flush();
        m_buffer.clear();
    }
    if (!written) {
        end(false, failedText());
        return false;
    }
    emit progress(m_walker.daysDone(), m_walker.dayCount());
    if (m_over) // cancelled from a progress handler
        return false;
    if (more)
        return true;
    m_out.close();
    if (m_out.error() != QFileDevice::NoError) {
        end(false, failedText());
        return false;
    }
    if (!m_target.replaceWith(m_tmpPath)) {
        end(false, kExportFailed + m_target.errorString());
        return false;
    }
    end(true, kExportSaved + m_path);
    return false;
}

bool ReportCsvExport::runToEnd()
{
    while (step()) {
    }
    return m_ok;
}

} // namespace zelvan
