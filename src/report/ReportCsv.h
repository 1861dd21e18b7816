#pragma once

#include "core/DurableFile.h"
#include "report/ReportRequest.h"
#include "report/ReportWalker.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <vector>

namespace zelvan {

class ObjectFiles;
struct StationState;

// One row of a spreadsheet file (RFC 4180): fields joined by the separator; a
// field holding the separator, a quote, CR or LF is quoted, its quotes
// doubled; the row ends with CR LF. UTF-8.
QByteArray csvRow(const QStringList& fields, QChar separator);

// The rows of the archive report: one row a record of the walk (date, time,
// object label, object name, module, the kind as the report words it, the
// board signal caption), one a day without archive or with an unreadable file,
// and one a not-taken object. The fields of each object, each kind and each
// day are put together once, so a row costs little more than its bytes.
class ReportCsvRows
{
public:
    ReportCsvRows(const StationState& state, const ObjectFiles& files, const ReportRequest& request,
                  QChar separator);

    // The header row.
    QByteArray header() const;
    // Appends the row of one item; false (nothing appended) for the items that
    // only frame a day or a section.
    bool appendRow(const ReportItem& item, QByteArray& out);
    // The kind column of a record, the report's word for its letter.
    static QString kindOf(const DayRecord& record);

private:
    const QByteArray& objectFields(int k);
    const QByteArray& caption(int k, int signal);
    static QString dayKind(const ReportItem& item);
    const QByteArray& kindField(const DayRecord& record);
    QByteArray field(const QString& text) const;
    void appendDay(const QDate& day, QByteArray& out);

    const StationState& m_state;
    const ObjectFiles& m_files;
    const ReportRequest& m_request;
    QChar m_separator;
    std::vector<QByteArray> m_objects;  // label;name;module; of object k, built when first needed
    std::vector<QByteArray> m_captions; // signal captions, (k - 1) * 5 + signal - 1
    std::vector<bool> m_captionRead;
    std::array<QByteArray, 128> m_kinds; // kind fields by letter
    QDate m_day;
    QByteArray m_dayField;
};

// Writes the spreadsheet file of a report request, whole (no size limit), in
// slices on the event loop: one day file a slice, so the panel goes on
// handling its lines between them and the operator can cancel. The rows go
// to a temporary file beside the chosen one, which takes its place only when
// complete; a cancel or a failure leaves the chosen file as it was.
class ReportCsvExport : public QObject
{
    Q_OBJECT
public:
    static constexpr QChar kSemicolon = u';';
    static constexpr QChar kComma = u',';

    ReportCsvExport(const StationState& state, const ObjectFiles& files, const ReportScope& scope,
                    const ReportRequest& request, QString path, QChar separator = kSemicolon,
                    FileSync sync = FileSync::system(), QObject* parent = nullptr);
    ~ReportCsvExport() override;

    // Starts the slices on the event loop.
    void start();
    // Stops after the current slice; the temporary file is removed.
    void cancel();
    // One slice: the rows of the next day file (or of the not-taken list).
    // False when the export is over (finished has been emitted).
    bool step();
    // Runs every slice at once (no event loop); true when the file is in place.
    bool runToEnd();

    int daysDone() const { return m_walker.daysDone(); }
    int dayCount() const { return m_walker.dayCount(); }
    qint64 rowsWritten() const { return m_rowCount; }
    const QString& path() const { return m_path; }

signals:
    void progress(int daysDone, int dayCount);
    // ok: the file is in place; message: the text for the operator's status line.
    void finished(bool ok, const QString& message);

private:
    bool write(const QByteArray& bytes);
    QString failedText() const;
    void end(bool ok, const QString& message);

    ReportRequest m_request; // a copy: the window may change its own meanwhile
    ReportWalker m_walker;
    ReportCsvRows m_format;
    QString m_path;
    QString m_tmpPath;
    DurableFile m_target;
    QFile m_out;
    QByteArray m_buffer;
    QTimer m_timer;
    qint64 m_rowCount = 0;
    bool m_started = false;
    bool m_over = false;
    bool m_ok = false;
    bool m_inStep = false;
};

} // namespace zelvan
