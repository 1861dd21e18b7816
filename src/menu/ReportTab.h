#pragma once

#include "menu/MenuTabForm.h"

#include <QPointer>

class QPlainTextEdit;
class QProgressDialog;
class QPushButton;

namespace zelvan {

class MenuSession;
class PrintSink;
class ReportCsvExport;

// "Архив данни": the last archive report in Text1, its "Печат" with "Преглед"
// and "PDF" beside it, and "CSV", the records of the report's request written
// whole to a spreadsheet file, with a progress dialog that can cancel it.
class ReportTab : public MenuTabForm
{
    Q_OBJECT
public:
    ReportTab(MenuSession& session, PrintSink& sink, QWidget* parent = nullptr);
    ~ReportTab() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void exportCsv();
    void csvFinished(bool ok, const QString& message);
    void showReport();

    MenuSession& m_session;
    PrintSink& m_sink;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_csv = nullptr;
    QPointer<ReportCsvExport> m_export; // a child while it runs
    QProgressDialog* m_progress = nullptr;
};

} // namespace zelvan
