#pragma once

#include "windows/ObjectHistory.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace zelvan {

// The object history dialog, "Zelvan  -  Допълнителна информация": the object's
// label and name, its information file (tab 0) and its records of today and
// yesterday (tab 1). One dialog serves every double click; it is refilled and
// shown again, and its close button only hides it.
//
// Construction: ObjectInfoForm(history) with the history view-model over the
// station's state, object files and clock. Create it once, before the violations and
// events windows, which are handed it.
class ObjectInfoForm : public QDialog
{
    Q_OBJECT
public:
    explicit ObjectInfoForm(ObjectHistory history, QWidget* parent = nullptr);

    // The double click on a list line: fills and shows the dialog for the object
    // the line names; false (nothing shown) when it names none. A dialog not
    // yet on screen first appears beside the opening window (its outer frame,
    // when given), never over it.
    bool openLine(ListSource source, const QString& line, const QRect& opener = {});
    // Fills and shows the dialog for object k (1..1024).
    void showObject(int k, ListSource source);

    QLabel* label() const { return m_label; }
    QTabWidget* tabs() const { return m_tabs; }
    // i = 0 information, 1 today, 2 yesterday.
    QPlainTextEdit* text(int i) const { return m_texts[i]; }
    QGroupBox* todayFrame() const { return m_today; }
    QGroupBox* yesterdayFrame() const { return m_yesterday; }
    QPushButton* closeButton() const { return m_close; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ObjectHistory m_history;
    QLabel* m_label;
    QTabWidget* m_tabs;
    QPlainTextEdit* m_texts[3];
    QGroupBox* m_today;
    QGroupBox* m_yesterday;
    QPushButton* m_close;
};

} // namespace zelvan
