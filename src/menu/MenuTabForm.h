#pragma once

#include "core/OperatorActions.h"
#include "menu/ExportTarget.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QBoxLayout;
class QLabel;
class QPrinter;
class QPushButton;

namespace zelvan {

class PrintSink;
struct PrintOutcome;

// The operator's choice of a file to write.
struct SaveChoice
{
    QString path;   // empty: the operator cancelled
    int filter = 0; // which of the offered file types was chosen
};
// Asks the operator where to write a file: parent window, the path offered,
// the file types offered ("PDF (*.pdf)"). The desk gives the system's file
// dialog; tests give a function that answers at once.
using SavePathChooser =
    std::function<SaveChoice(QWidget* parent, const QString& offered, const QStringList& types)>;
// The system's save dialog.
SaveChoice askSavePath(QWidget* parent, const QString& offered, const QStringList& types);

// What a print button prints, on whatever sink it is given: the printer, a
// preview's page, a PDF file.
using PrintDocument = std::function<PrintOutcome(PrintSink&)>;

// What every tab of the menu window shares: the naming of its controls, the
// buttons, the sunken panels and spin buttons it draws, and the status line it
// reports to. Each tab draws its own models of the menu session and passes the
// operator's actions on to them.
class MenuTabForm : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Controls of an array keep their name with the index in brackets.
    static QString indexed(const char* name, int i);
    template <typename W> static W* named(W* widget, const QString& name)
    {
        widget->setObjectName(name);
        return widget;
    }
    static QPushButton* button(const QString& caption, const char* name);
    // A label drawn as a sunken panel.
    static QLabel* sunken(QLabel* label);
    // A file the tab shows could not be read: a red notice, hidden while
    // problem is empty, saying so with the reason in place of its contents.
    static QLabel* fileNotice(const char* name);
    static void showFileNotice(QLabel* notice, const QString& text, const QString& problem);

    // A text made fit for a file name: blanks trimmed, "/" and ":" replaced.
    static QString fileNamePart(QString text);

    // Where the tab asks for the path of a file it writes.
    void setSavePathChooser(SavePathChooser chooser) { m_chooser = std::move(chooser); }
    // Where the tab's actions ask for a log-in and are journaled.
    void setOperatorActions(OperatorActions* actions) { m_operator = actions; }
    // Where the tab's exports may be written, and where the save dialog starts.
    void setExportTarget(ExportTarget target) { m_target = std::move(target); }

signals:
    // A text for the window's status line; an empty one clears it.
    void operatorMessage(const QString& text);

protected:
    // Runs f on target once the operator may act (after a log-in when one is
    // needed); nothing when target is gone by then (the window was left).
    // True when it ran at once.
    template <typename T>
    bool whenAllowed(const ActionRequest& request, T* target, std::function<void(T&)> f)
    {
        QPointer<T> guard(target);
        return whenAllowedTelling(m_operator, request, [guard, f = std::move(f)](bool) {
            if (guard)
                f(*guard);
        });
    }
    OperatorActions* operatorActions() const { return m_operator; }

    // A spin button: two arrows, "up" above "down", without a value of its own.
    QWidget* spinButton(const char* name, const std::function<void()>& up,
                        const std::function<void()>& down);
    // Tells the operator what became of a print command.
    void reportPrint(const PrintOutcome& outcome);

    // A print button with "Преглед" and "PDF" beside it, added to the row: the
    // print button prints the document on the tab's sink, "Преглед" shows it
    // in a print preview, "PDF" writes it, once the operator may act, to a file
    // the operator names (the name offered is fileName()). Returns the three,
    // named <name>, <name>Preview, <name>Pdf.
    struct PrintButtons
    {
        QPushButton* print;
        QPushButton* preview;
        QPushButton* pdf;
    };
    PrintButtons addPrintButtons(QBoxLayout* row, const char* name, PrintSink& sink,
                                 const PrintDocument& document,
                                 const std::function<QString()>& fileName);
    // Qt's print preview of a document drawn by the sink's printing code, not
    // modal; printing from it prints it and is journaled under the print
    // button's name.
    void preview(const PrintSink& sink, const PrintDocument& document, const QString& name);
    // The document written by the sink's printing code as a PDF file where the
    // operator chooses.
    void exportPdf(const PrintSink& sink, const PrintDocument& document, const QString& fileName);
    // Asks for the path of an export of the kind, offering fileName in the
    // operator's documents folder. Empty when cancelled or refused; either is
    // told, a refusal journaled.
    SaveChoice choosePath(const QString& fileName, const QStringList& types,
                          ExportTarget::Kind kind);

private:
    // The operator prints from the preview dialog: journaled; a file the
    // dialog would write is judged as an export. False when refused.
    bool printedFromPreview(const QPrinter& printer, const QString& name);

    SavePathChooser m_chooser = askSavePath;
    OperatorActions* m_operator = nullptr;
    ExportTarget m_target;
};

} // namespace zelvan
