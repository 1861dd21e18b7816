#include "core/Labels.h"
#include "panel/MainPanelModel.h"
#include "support/EngineFixture.h"
#include "windows/AlarmBlink.h"
#include "windows/AlarmForm.h"
#include "windows/EventForm.h"
#include "windows/KeypadForm.h"
#include "windows/KeypadModel.h"
#include "windows/LineWindow.h"
#include "windows/ObjectInfoForm.h"
#include "windows/TipForm.h"

#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

using namespace zelvan;

namespace {

// The whole set of windows on one engine.
struct Windows
{
    test::EngineFixture f;
    MainPanelModel panel{f.state, f.files, f.grid, f.commands, f.archive, f.clock};
    AlarmBlink blink{f.state, f.alarms, f.screen, f.beeper};
    KeypadModel keypad{f.state, panel};
    ObjectInfoForm info{ObjectHistory(f.state, f.files, f.clock)};
    AlarmForm alarm{f.alarms, f.screen, blink, info};
    EventForm events{f.events, f.screen, info};
    KeypadForm keypadForm{f.screen, keypad};

    Windows() { f.state.fillMonthNames(); }

    void postObjectEvent(const QString& code, int k, const QString& name)
    {
        f.events.PostEvent(code + QLatin1Char(' '), f.clock.now(),
                           FormatObjectLabel(f.state, k) + QStringLiteral("  ") + name);
    }
};

QPoint rowCentre(QListView* list, int row)
{
    return list->visualRect(list->model()->index(row, 0)).center();
}

} // namespace

class TestWindowForms : public QObject
{
    Q_OBJECT
private slots:
    void closeBoxHidesAndKeepsTheList()
    {
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        w.f.screen.setEventsVisible(true);
        w.f.screen.setKeypadVisible(true);
        QVERIFY(w.alarm.isVisible() && w.events.isVisible() && w.keypadForm.isVisible());

        w.f.alarms.addViolation(QStringLiteral("  3-017  Магазин"));
        w.postObjectEvent(QStringLiteral("H"), 273, QStringLiteral("Магазин"));
        w.keypad.enter(QStringLiteral("3-17"));

        w.alarm.close();
        w.events.close();
        w.keypadForm.close();
        QVERIFY(!w.alarm.isVisible() && !w.events.isVisible() && !w.keypadForm.isVisible());
        QVERIFY(!w.f.screen.alarmsVisible());
        QVERIFY(!w.f.screen.eventsVisible());
        QVERIFY(!w.f.screen.keypadVisible());

        w.f.screen.setAlarmsVisible(true);
        w.f.screen.setKeypadVisible(true);
        QVERIFY(w.alarm.isVisible());
        QCOMPARE(w.alarm.list()->model()->rowCount(), 1);
        QCOMPARE(w.events.list()->model()->rowCount(), 1);
        QVERIFY(w.keypadForm.log()->toPlainText().contains(QStringLiteral("Грешка")));
    }

    // Resting the pointer on a line shows the whole line as its tip: a long
    // object name is cut off by a narrow window.
    void hoverTipShowsTheWholeLine()
    {
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        const QString line = QStringLiteral("  3-017  ") + QString(80, QChar(0x416));
        w.f.alarms.addViolation(line);
        QListView* list = w.alarm.list();
        const QPoint pos = rowCentre(list, 0);
        QHelpEvent help(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(list->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), line);
    }

    void listFollowsTheModelSelection()
    {
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        for (int n = 1; n <= 3; ++n)
            w.f.alarms.addViolation(QStringLiteral("  1-00%1  Обект").arg(n));
        QTRY_COMPARE(w.alarm.list()->currentIndex().row(), 2);
        QTest::mouseClick(w.alarm.list()->viewport(), Qt::LeftButton, {},
                          rowCentre(w.alarm.list(), 0));
        QCOMPARE(w.f.alarms.selected(), 0);
        QCOMPARE(w.alarm.selectedLine(), QStringLiteral("  1-001  Обект"));
    }

    // After any removal the last line is selected, and the view highlights
    // exactly the line that the tip and the history view read.
    void viewAgreesWithTheSelectionAfterRemoval_data()
    {
        QTest::addColumn<bool>("events");  // the events list, else the violations list
        QTest::addColumn<int>("lines");    // lines listed before
        QTest::addColumn<int>("picked");   // the operator's pick
        QTest::addColumn<int>("removed");  // object whose violation lines go (0: post an event)
        QTest::addColumn<int>("selected"); // the selected (last) row afterwards
        QTest::newRow("violation above the picked one") << false << 4 << 2 << 1 << 2;
        QTest::newRow("violation below the picked one") << false << 4 << 1 << 3 << 2;
        QTest::newRow("the picked violation itself") << false << 4 << 1 << 2 << 2;
        QTest::newRow("last violation of several") << false << 3 << 0 << 3 << 1;
        QTest::newRow("events list trimmed") << true << 257 << 10 << 0 << 256;
    }
    void viewAgreesWithTheSelectionAfterRemoval()
    {
        QFETCH(bool, events);
        QFETCH(int, lines);
        QFETCH(int, picked);
        QFETCH(int, removed);
        QFETCH(int, selected);
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        w.f.screen.setEventsVisible(true);
        ListWindowForm& form = events ? static_cast<ListWindowForm&>(w.events) : w.alarm;
        for (int k = 1; k <= lines; ++k) {
            if (events)
                w.postObjectEvent(QStringLiteral("H"), k, QStringLiteral("Обект"));
            else
                w.f.alarms.addViolation(FormatObjectLabel(w.f.state, k)
                                        + QStringLiteral("  Обект"));
        }
        QListView* list = form.list();
        QTRY_COMPARE(list->currentIndex().row(), lines - 1);
        list->setCurrentIndex(list->model()->index(picked, 0)); // as the arrow keys do
        QCOMPARE(form.selectedRow(), picked);
        QCoreApplication::processEvents(); // the pick and the removal come in different turns

        if (events)
            w.postObjectEvent(QStringLiteral("O"), 1, QStringLiteral("Обект"));
        else
            w.f.alarms.removeObject(FormatObjectLabel(w.f.state, removed));

        QCOMPARE(form.selectedRow(), selected);
        QTRY_COMPARE(list->currentIndex().row(), selected);
        const QModelIndexList highlighted = list->selectionModel()->selectedRows();
        QCOMPARE(highlighted.size(), 1);
        QCOMPARE(highlighted.first().row(), selected);
        QCOMPARE(highlighted.first().data().toString(), form.selectedLine());
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(highlighted.first())));
    }

    // A list longer than the view's window: the view draws a window of it
    // that follows the selected last line, scrolling to the window's edge
    // moves the window on with the same lines in sight, and a removal brings
    // the view back to the last line.
    void longListIsDrawnThroughAWindow()
    {
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        const int count = LineWindow::kRows + 1000;
        for (int i = 0; i < count; ++i)
            w.f.alarms.addViolation(FormatObjectLabel(w.f.state, i % 1024 + 1)
                                    + QStringLiteral("  Обект %1").arg(i));
        QListView* list = w.alarm.list();
        const LineWindow* window = w.alarm.lineWindow();
        QTRY_COMPARE(window->lineOf(list->currentIndex().row()), count - 1);
        QCOMPARE(list->model()->rowCount(), LineWindow::kRows);
        QCOMPARE(list->currentIndex().data().toString(), w.alarm.selectedLine());

        list->verticalScrollBar()->setValue(0);
        const QString top = list->indexAt(QPoint(1, 1)).data().toString();
        QTRY_COMPARE(window->first(), 0);
        QCOMPARE(list->indexAt(QPoint(1, 1)).data().toString(), top);
        QCOMPARE(w.f.alarms.selected(), count - 1); // scrolling does not move the selection

        // Home and End reach the ends of the whole list.
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(w.f.alarms.selected(), 0);
        QTRY_COMPARE(list->currentIndex().data().toString(), w.f.alarms.line(0));
        QTest::keyClick(list, Qt::Key_End);
        QTRY_COMPARE(window->lineOf(list->currentIndex().row()), count - 1);
        QTest::keyClick(list, Qt::Key_Home);
        QTRY_COMPARE(window->first(), 0);

        w.f.alarms.removeObject(FormatObjectLabel(w.f.state, 1));
        QTRY_COMPARE(window->lineOf(list->currentIndex().row()), w.f.alarms.count() - 1);
        QCOMPARE(list->currentIndex().data().toString(), w.alarm.selectedLine());
        QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));
    }

    void frameFollowsTheBlink()
    {
        Windows w;
        w.f.screen.setAlarmsVisible(true);
        QVERIFY(w.alarm.frameLine(0)->isVisible()); // starts shown
        w.blink.tick();                             // empty list: goes out
        QVERIFY(!w.alarm.frameLine(0)->isVisible());
        w.f.alarms.addViolation(QStringLiteral("  1-001  Обект"));
        w.blink.tick();
        for (int i = 0; i < 4; ++i)
            QVERIFY(w.alarm.frameLine(i)->isVisible());
        // The frame lies around the list.
        const QRect list = w.alarm.list()->geometry();
        QVERIFY(w.alarm.frameLine(0)->geometry().bottom() < list.top());
        QVERIFY(w.alarm.frameLine(2)->geometry().top() > list.bottom());
    }

    void eventsWindowShowsTheLatest257()
    {
        Windows w;
        w.f.screen.setEventsVisible(true);
        for (int i = 1; i <= 258; ++i)
            w.postObjectEvent(QStringLiteral("H"), i, QStringLiteral("Обект %1").arg(i));
        QCOMPARE(w.events.list()->model()->rowCount(), 257);
        QVERIFY(w.events.list()->model()->index(0, 0).data().toString().endsWith(
            QStringLiteral("Обект 2")));
        QTRY_COMPARE(w.events.list()->currentIndex().row(), 256);
    }

    void tinyWindowKeepsTheListSize()
    {
        Windows w;
        w.f.screen.setEventsVisible(true);
        w.events.resize(400, 200);
        const QRect before = w.events.list()->geometry();
        w.events.resize(400, 8);
        QCOMPARE(w.events.list()->geometry(), before);
    }

    void doubleClick_data()
    {
        QTest::addColumn<bool>("violations");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("opens");

        QTest::newRow("violation line") << true << "  3-017  Магазин" << true;
        QTest::newRow("violation, module 9") << true << "  9-017  X" << false;
        QTest::newRow("events, violated") << false << "H 12:00:00   3-017  Магазин" << true;
        QTest::newRow("events, link lost")
            << false << "К 12:00:00  Прекъсната връзка с Модул 3" << false;
        QTest::newRow("events, started")
            << false << "C 12:00:00  Стартирана система Zelvan 064  Модул 3" << false;
    }
    void doubleClick()
    {
        QFETCH(bool, violations);
        QFETCH(QString, line);
        QFETCH(bool, opens);

        Windows w;
        QVERIFY(w.f.files.setName(273, QStringLiteral("Магазин")));
        ListWindowForm* window = violations ? static_cast<ListWindowForm*>(&w.alarm)
                                            : static_cast<ListWindowForm*>(&w.events);
        if (violations) {
            w.f.screen.setAlarmsVisible(true);
            w.f.alarms.addViolation(line);
        } else {
            w.f.screen.setEventsVisible(true);
            w.f.events.PostEvent(line.left(2), w.f.clock.now(), line.mid(11));
        }
        QTest::mouseDClick(window->list()->viewport(), Qt::LeftButton, {},
                           rowCentre(window->list(), 0));
        QCOMPARE(w.info.isVisible(), opens);
        if (opens) {
            QVERIFY2(w.info.label()->text().startsWith(QStringLiteral(" 3-017  Магазин")),
                     qPrintable(w.info.label()->text()));
            QCOMPARE(w.info.tabs()->currentIndex(), 0);
            QCOMPARE(w.info.text(0)->toPlainText(),
                     QStringLiteral("  За този обект не е въведена информация !"));
            w.info.closeButton()->click();
            QVERIFY(!w.info.isVisible());
        }
    }

    void rightPressShowsTheTip_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tip");
        QTest::newRow("a line") << "  3-017  Магазин"
                                << "   3-017  Магазин ";
        QTest::newRow("empty list") << QString() << "  ";
    }
    void rightPressShowsTheTip()
    {
        QFETCH(QString, line);
        QFETCH(QString, tip);

        Windows w;
        w.f.screen.setAlarmsVisible(true);
        if (!line.isEmpty())
            w.f.alarms.addViolation(line);
        QWidget* viewport = w.alarm.list()->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(20, 6));
        QVERIFY(w.alarm.tip()->isVisible());
        QCOMPARE(w.alarm.tip()->label()->text(), tip);
        QCOMPARE(w.alarm.tip()->size(), w.alarm.tip()->label()->size());
        QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(20, 6));
        QVERIFY(!w.alarm.tip()->isVisible());
        QCOMPARE(w.f.alarms.count(), line.isEmpty() ? 0 : 1);
    }

    void keypadEnterSendsTheCommand()
    {
        Windows w;
        w.f.state.ObjInstalled[273] = -1;
        w.f.screen.setKeypadVisible(true);
        w.f.takeWritten(1);
        QTest::keyClicks(w.keypadForm.entry(), QStringLiteral("+3-17"));
        QTest::keyClick(w.keypadForm.entry(), Qt::Key_Return);
        QCOMPARE(w.f.takeWritten(1), QByteArray("}3P17\r"));
        QCOMPARE(w.keypadForm.entry()->text(), QString());
        QCOMPARE(w.keypadForm.log()->toPlainText(), QStringLiteral("\n+3-17"));

        // The entry line takes at most ten characters.
        QTest::keyClicks(w.keypadForm.entry(), QStringLiteral("+1-000000000065"));
        QCOMPARE(w.keypadForm.entry()->text().size(), 10);
    }

    // The windows in use, drawn; saved as PNG files when ZELVAN_SCREENSHOT_DIR names a directory.
    void windowsInUse()
    {
        Windows w;
        const QStringList names{QStringLiteral("Магазин Лале"), QStringLiteral("Аптека Здраве"),
                                QStringLiteral("Склад Север")};
        const int objects[] = {273, 5, 700};
        for (int i = 0; i < 3; ++i)
            QVERIFY(w.f.files.setName(objects[i], names[i]));
        w.f.screen.setAlarmsVisible(true);
        w.f.screen.setEventsVisible(true);
        w.f.screen.setKeypadVisible(true);
        w.f.state.ObjInstalled[273] = -1;

        const QString codes[] = {QStringLiteral("П"), QStringLiteral("H"), QStringLiteral("O")};
        const QChar letters[] = {u'P', u'A', u'O'};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                w.f.clock.advanceMs(97000);
                w.postObjectEvent(codes[j], objects[i], names[i]);
                w.f.archive.AppendDayRecord(objects[i], letters[j], w.f.clock.now());
            }
            w.f.alarms.addViolation(ObjText(w.f.state, w.f.files, objects[i]));
        }
        w.f.events.PostEvent(QStringLiteral("К "), w.f.clock.now(),
                             QStringLiteral(" Прекъсната връзка с Модул 6"));
        w.keypad.enter(QStringLiteral("+3-17"));
        w.keypad.enter(QStringLiteral("3-17"));
        w.keypad.enter(QStringLiteral("+1-5"));
        w.alarm.resize(420, 140);
        w.events.resize(420, 200);
        w.blink.tick();
        w.blink.tick(); // frame on
        QVERIFY(w.info.openLine(ListSource::Violations, w.f.alarms.line(0)));
        w.info.tabs()->setCurrentIndex(1);

        const QString dir = qEnvironmentVariable("ZELVAN_SCREENSHOT_DIR");
        const QList<std::pair<QWidget*, QString>> shots{{&w.alarm, QStringLiteral("alarms")},
                                                        {&w.events, QStringLiteral("events")},
                                                        {&w.keypadForm, QStringLiteral("keypad")},
                                                        {&w.info, QStringLiteral("history")}};
        for (const auto& [window, name] : shots) {
            const QPixmap shot = window->grab();
            QVERIFY(!shot.isNull());
            if (!dir.isEmpty())
                QVERIFY(shot.save(QDir(dir).filePath(QStringLiteral("windows-%1.png").arg(name))));
        }
    }
};

QTEST_MAIN(TestWindowForms)
#include "tst_windowforms.moc"
