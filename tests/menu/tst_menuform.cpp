#include "core/OptionsFile.h"
#include "core/ProgramVersion.h"
#include "core/ZelvanIni.h"
#include "menu/MenuForm.h"
#include "menu/MenuTexts.h"
#include "menu/StateRestore.h"
#include "report/ReportTexts.h"
#include "support/EngineFixture.h"
#include "support/FakePrintSink.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

using namespace zelvan;
using namespace zelvan::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Types a text key by key, Cyrillic letters included.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_A, QString(c), Qt::NoModifier);
}

// The menu session over a whole engine, as the operator's desk builds it.
std::unique_ptr<MenuSession> sessionOver(EngineFixture& engine, StateRestore& restore,
                                         OptionsFile& optionsFile)
{
    return std::make_unique<MenuSession>(engine.state, engine.screen, engine.files, restore,
                                         optionsFile, engine.clock);
}

// A menu window over a whole engine, as the main panel opens it.
struct OpenMenu
{
    EngineFixture engine;
    ZelvanIni ini{engine.home.path()};
    OptionsFile optionsFile{ini, engine.screen};
    StateRestore restore{engine.state, engine.commands, &engine.screen};
    FakePrintSink* sink = nullptr;
    QPointer<MenuForm> form;

    // options: the six [Options] value lines of zelvan.ini, when not the
    // defaults; unreadable: a data file made unreadable before the window opens.
    explicit OpenMenu(const QByteArray& options = {}, const QString& unreadable = {})
    {
        engine.state.fillMonthNames();
        if (!unreadable.isEmpty()
            && !test::makeUnopenable(QDir(engine.state.DataDir).filePath(unreadable)))
            qFatal("%s cannot be made unreadable", qPrintable(unreadable));
        ini.WriteDefaultConfig();
        if (!options.isEmpty()) {
            QByteArray bytes = ini.defaultContent();
            bytes.replace("[Options]\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n", "[Options]\r\n" + options);
            QFile f(ini.path());
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                qFatal("zelvan.ini cannot be written");
            f.write(bytes);
        }
        auto printer = std::make_unique<FakePrintSink>();
        printer->m_printerName = QStringLiteral("Office");
        printer->m_fontNames = {QStringLiteral("DejaVu Sans"), QStringLiteral("MS Sans Serif")};
        sink = printer.get();
        form = new MenuForm(sessionOver(engine, restore, optionsFile), std::move(printer));
        form->show();
    }
    ~OpenMenu() { delete form.data(); }

    template <typename W> W* find(const QString& name) const
    {
        W* w = form->findChild<W*>(name);
        if (w == nullptr)
            qWarning() << "no control" << name;
        return w;
    }
    QTabWidget* tabs() const { return find<QTabWidget>(QStringLiteral("SSTab1")); }
    void click(const QString& name) const
    {
        // Near the left edge: a check box takes clicks on its box and caption only.
        QAbstractButton* b = find<QAbstractButton>(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    }
};

} // namespace

class TestMenuForm : public QObject
{
    Q_OBJECT
private slots:
    void opens();
    void optionsSavedOnLeavingTheSettingsTabOnly();
    void damagedOptionsShowWhatTheyDo();
    void namesAndInformation();
    void unreadableInformationIsNotReplaced();
    void unreadableObjectFilesAreSaid_data();
    void unreadableObjectFilesAreSaid();
    void boardConfiguration();
    void restoreButton();
    void printsTheNamesList();
    void printOutcomeOnTheStatusLine_data();
    void printOutcomeOnTheStatusLine();
    void closingSavesAndDeletes();
    void screenshots();
};

void TestMenuForm::opens()
{
    OpenMenu menu;
    QCOMPARE(menu.form->windowTitle(), QStringLiteral("Меню"));
    QVERIFY(!menu.form->isModal());
    QTabWidget* tabs = menu.tabs();
    QCOMPARE(tabs->count(), kMenuTabCount);
    for (int i = 0; i < kMenuTabCount; ++i)
        QCOMPARE(tabs->tabText(i), menu_texts::kTabCaptions[size_t(i)]);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(menu.find<QListWidget>(QStringLiteral("List1"))->count(), 1024);
    QCOMPARE(menu.find<QListWidget>(QStringLiteral("List1"))->selectedItems().size(), 0);
    QCOMPARE(menu.find<QListWidget>(QStringLiteral("List2"))->currentRow(), 0);
    QCOMPARE(menu.find<QListWidget>(QStringLiteral("List2"))->item(5)->text(),
             QStringLiteral(" 1-006  "));
    QCOMPARE(menu.find<QCheckBox>(QStringLiteral("Check11(0)"))->text(),
             QStringLiteral("Модул   1"));
    QCOMPARE(menu.find<QComboBox>(QStringLiteral("Combo1"))->count(), 256);
    QCOMPARE(menu.find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("00"));
    QCOMPARE(menu.find<QLabel>(QStringLiteral("Label11"))->text(), QStringLiteral("Office"));
    QVERIFY(menu.find<QCheckBox>(QStringLiteral("Check1"))->isChecked());
    QVERIFY(!menu.find<QCheckBox>(QStringLiteral("Check3"))->isChecked());
    QVERIFY(menu.find<QLabel>(QStringLiteral("Label21"))
                ->text()
                .contains(QStringLiteral("Ver. 2.10.F или по-голяма.")));
    // The information tab names the version that zelvan --version prints.
    QCOMPARE(menu.find<QLabel>(QStringLiteral("VersionLabel"))->text(),
             QStringLiteral("Версия ") + programVersion());
    QVERIFY(programVersion().startsWith(releaseVersion()));

    // A module box selects its 128 entries of the report list.
    menu.click(QStringLiteral("Check11(1)"));
    QCOMPARE(menu.find<QListWidget>(QStringLiteral("List1"))->selectedItems().size(), 128);
    QVERIFY(menu.form->session().request().isSelected(128));
    QVERIFY(!menu.form->session().request().isSelected(127));
}

void TestMenuForm::optionsSavedOnLeavingTheSettingsTabOnly()
{
    OpenMenu menu;
    menu.engine.screen.setEventsVisible(true);
    const QByteArray before = readAll(menu.ini.path());
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::Settings));
    menu.click(QStringLiteral("Check2"));
    QVERIFY(!menu.engine.screen.eventsVisible());
    QCOMPARE(menu.engine.state.OptShowEvents, qint16(0));
    QCOMPARE(readAll(menu.ini.path()), before);
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::Information));
    QCOMPARE(menu.ini.readOptions()[1], qint16(0));

    const QByteArray saved = readAll(menu.ini.path());
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::Restore));
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsList));
    QCOMPARE(readAll(menu.ini.path()), saved);
}

void TestMenuForm::damagedOptionsShowWhatTheyDo()
{
    // "Main window on top" hand-edited to 2, "sound while violated" to -1.
    OpenMenu menu("1\r\n1\r\n2\r\n-1\r\n0\r\n0\r\n");
    const StartupConfig config = menu.ini.readStartup();
    config.applyTo(menu.engine.state);
    const StationState& s = menu.engine.state;
    // Each box shows what its option does: ticked exactly when it acts as on.
    QCOMPARE(menu.find<QCheckBox>(QStringLiteral("Check3"))->isChecked(), s.OptPanelOnTop == 1);
    QCOMPARE(menu.find<QCheckBox>(QStringLiteral("Check4"))->isChecked(), s.OptAlarmSound == 1);
    QCOMPARE(s.OptPanelOnTop, qint16(0));
    QCOMPARE(s.OptAlarmSound, qint16(1));
    // Both damaged values are listed for the operator.
    QCOMPARE(config.problems.size(), 2);
    QVERIFY(config.problems[0].contains(QStringLiteral("[Options], ред 3: \"2\"")));
    QVERIFY(config.problems[1].contains(QStringLiteral("[Options], ред 4: \"-1\"")));
}

void TestMenuForm::namesAndInformation()
{
    OpenMenu menu;
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsList));
    auto* list2 = menu.find<QListWidget>(QStringLiteral("List2"));
    auto* list1 = menu.find<QListWidget>(QStringLiteral("List1"));
    list1->item(128)->setSelected(true);
    list2->setCurrentRow(128);
    auto* text2 = menu.find<QLineEdit>(QStringLiteral("Text2"));
    text2->clear();
    typeText(text2, QStringLiteral("Аптека"));
    menu.click(QStringLiteral("Command3"));
    QCOMPARE(menu.engine.files.name(129), QStringLiteral("Аптека"));
    QCOMPARE(list2->item(128)->text(), QStringLiteral(" 2-001  Аптека"));
    QCOMPARE(list1->item(128)->text(), QStringLiteral(" 2-001  Аптека"));
    QVERIFY(list1->item(128)->isSelected());
    QCOMPARE(list2->currentRow(), 128);
    QCOMPARE(menu.find<QLabel>(QStringLiteral("Label12"))->text(), QStringLiteral(" 2-001"));

    // Keys move the selection too: the name field follows the selected object.
    list2->setCurrentRow(129);
    QCOMPARE(text2->text(), QString());

    list2->setCurrentRow(128);
    emit list2->itemDoubleClicked(list2->item(128));
    QCOMPARE(menu.tabs()->currentIndex(), tabIndex(MenuTab::ObjectsInformation));
    QCOMPARE(menu.find<QLabel>(QStringLiteral("Label7"))->text(), QStringLiteral(" 2-001  Аптека"));
    auto* text3 = menu.find<QPlainTextEdit>(QStringLiteral("Text3"));
    QCOMPARE(menu.form->focusWidget(), text3);
    text3->setPlainText(QStringLiteral("ред\nвтори"));
    menu.click(QStringLiteral("Command4"));
    QCOMPARE(menu.tabs()->currentIndex(), tabIndex(MenuTab::ObjectsList));
    QCOMPARE(readAll(QDir(menu.engine.state.DataDir).filePath(QStringLiteral("DI_2-1.dat"))),
             QByteArray("\xF0\xE5\xE4\r\n\xE2\xF2\xEE\xF0\xE8\r\n"));
}

// DI_1-1.dat there but unreadable (a directory in its place, which root cannot
// read either): the tab says so instead of "no information", nothing the
// operator types can be saved over the text nobody could read, and printing
// prints the notice, not an empty page.
void TestMenuForm::unreadableInformationIsNotReplaced()
{
    auto menu = std::make_unique<OpenMenu>();
    const QString path = QDir(menu->engine.state.DataDir).filePath(QStringLiteral("DI_1-1.dat"));
    QVERIFY(test::makeUnopenable(path));
    // Leaving the names tab reads the current object's information file.
    menu->tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsList));
    menu->tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsInformation));
    auto* text3 = menu->find<QPlainTextEdit>(QStringLiteral("Text3"));
    const QString notice =
        QStringLiteral("  Информацията за този обект не може да бъде прочетена !");
    QVERIFY2(text3->toPlainText().startsWith(notice), qPrintable(text3->toPlainText()));
    QVERIFY(text3->toPlainText().contains(QStringLiteral("DI_1-1.dat")));
    QVERIFY(text3->isReadOnly());
    auto* save = menu->find<QPushButton>(QStringLiteral("Command4"));
    QVERIFY(!save->isEnabled());
    menu->click(QStringLiteral("Command6"));
    QVERIFY2(menu->sink->allLines().contains(notice),
             qPrintable(menu->sink->allLines().join(u'|')));
    // Whatever reaches the session, the file is not replaced and the window says why.
    menu->form->session().names().setInformationText(QStringLiteral("нов текст"));
    QVERIFY(!menu->form->session().saveInformation());
    auto* status = menu->find<QLabel>(QStringLiteral("StatusLabel"));
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), menu_texts::kNotReplaced.arg(path));
    QVERIFY(QFileInfo(path).isDir());
    QDir().rmdir(path);
}

// Name.dat and Kavel.dat there but unreadable: the names tab and the board
// tab say so with the reason above what they could not show, and their save
// buttons are disabled; the names list printed says it too, instead of
// labels without names.
void TestMenuForm::unreadableObjectFilesAreSaid_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("print"); // the tab's print button, if it prints the file
    QTest::newRow("Name.dat") << tabIndex(MenuTab::ObjectsList) << QStringLiteral("Name.dat")
                              << QStringLiteral("NamesNotice") << QStringLiteral("Command3")
                              << QStringLiteral("Command5");
    QTest::newRow("Kavel.dat") << tabIndex(MenuTab::ObjectsConfiguration)
                               << QStringLiteral("Kavel.dat") << QStringLiteral("BoardNotice")
                               << QStringLiteral("Command9") << QString();
}
void TestMenuForm::unreadableObjectFilesAreSaid()
{
    QFETCH(int, tab);
    QFETCH(QString, file);
    QFETCH(QString, notice);
    QFETCH(QString, save);
    QFETCH(QString, print);
    auto menu = std::make_unique<OpenMenu>(QByteArray(), file);
    menu->tabs()->setCurrentIndex(tab);
    auto* label = menu->find<QLabel>(notice);
    QTRY_VERIFY(label->isVisible());
    QVERIFY2(label->text().contains(file) && label->text().contains(QStringLiteral("(")),
             qPrintable(label->text()));
    QVERIFY(!menu->find<QPushButton>(save)->isEnabled());
    if (print.isEmpty())
        return;
    menu->click(print);
    QCOMPARE(menu->sink->allLines(), QStringList{label->text()});
}

void TestMenuForm::boardConfiguration()
{
    OpenMenu menu;
    menu.find<QListWidget>(QStringLiteral("List2"))->setCurrentRow(1023);
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsConfiguration));
    QCOMPARE(menu.find<QLabel>(QStringLiteral("Label14"))->text(), QStringLiteral(" 8-128  "));
    QCOMPARE(menu.find<QLineEdit>(QStringLiteral("Text4(1)"))->text(), QStringLiteral("Батерия"));
    auto* slider = menu.find<QSlider>(QStringLiteral("Slider1"));
    slider->setValue(60);
    QVERIFY(
        menu.find<QLabel>(QStringLiteral("Label18"))->text().endsWith(QStringLiteral(":  60 s")));
    menu.find<QComboBox>(QStringLiteral("Combo1"))->setCurrentIndex(0x0A);
    menu.click(QStringLiteral("Check14"));
    auto* caption = menu.find<QLineEdit>(QStringLiteral("Text4(0)"));
    caption->clear();
    typeText(caption, QStringLiteral("Мрежово захранване"));
    QCOMPARE(caption->text().size(), 14);
    menu.click(QStringLiteral("Command9"));
    QCOMPARE(menu.tabs()->currentIndex(), tabIndex(MenuTab::ObjectsList));
    QCOMPARE(menu.engine.state.KavelPeriod[1024], 60);
    QCOMPARE(menu.engine.state.KavelCode[1024], QStringLiteral("0A"));
    QCOMPARE(menu.engine.state.KavelDirectPair[1024], qint16(-1));
    QCOMPARE(menu.engine.files.kavelCaption(1024, 1), QStringLiteral("Мрежово захран"));
}

void TestMenuForm::restoreButton()
{
    OpenMenu menu;
    QFile file(QDir(menu.engine.state.DataDir).filePath(QStringLiteral("Mdl_3.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("46000.25\r\nP5\r\nP6\r\n");
    file.close();
    // Module 2's saved state is there but cannot be read: said, not "no data".
    QVERIFY(test::makeUnopenable(
        QDir(menu.engine.state.DataDir).filePath(QStringLiteral("Mdl_2.dat"))));
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::Restore));
    auto* button = menu.find<QPushButton>(QStringLiteral("Command8(2)"));
    QVERIFY(button->isEnabled());
    QVERIFY(!menu.find<QPushButton>(QStringLiteral("Command8(0)"))->isEnabled());
    auto* unreadable = menu.find<QPushButton>(QStringLiteral("Command8(1)"));
    QVERIFY(!unreadable->isEnabled());
    QVERIFY2(unreadable->text().endsWith(menu_texts::kRestoreUnreadable),
             qPrintable(unreadable->text()));
    QVERIFY(button->text().endsWith(QStringLiteral("г.  06:00:00")));
    menu.engine.takeWritten(1);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(menu.engine.takeWritten(1), QByteArray("}3P5\r}3P6\r"));
    QVERIFY(button->isEnabled());
    QCOMPARE(menu.find<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 0);
}

void TestMenuForm::printsTheNamesList()
{
    OpenMenu menu;
    QVERIFY(menu.engine.files.setName(3, QStringLiteral("Х")));
    menu.form->session().names().select(2);
    menu.form->session().names().setNameText(QStringLiteral("Х"));
    menu.form->session().saveName();
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::ObjectsList));
    menu.click(QStringLiteral("Command5"));
    QCOMPARE(menu.sink->allLines(), QStringList{QStringLiteral(" 1-003  Х")});
}

// Each tab's "Печат" tells the operator on the window's status line what became
// of the document: nothing after a normal print, the file written without a
// printer, the failure otherwise.
void TestMenuForm::printOutcomeOnTheStatusLine_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("button");
    QTest::newRow("report") << tabIndex(MenuTab::ArchiveData) << QStringLiteral("Command2");
    QTest::newRow("names list") << tabIndex(MenuTab::ObjectsList) << QStringLiteral("Command5");
    QTest::newRow("object information")
        << tabIndex(MenuTab::ObjectsInformation) << QStringLiteral("Command6");
}

void TestMenuForm::printOutcomeOnTheStatusLine()
{
    QFETCH(int, tab);
    QFETCH(QString, button);
    OpenMenu menu;
    menu.form->session().names().setNameText(QStringLiteral("Банка"));
    QVERIFY(menu.form->session().saveName());
    menu.find<QPlainTextEdit>(QStringLiteral("Text1"))->setPlainText(QStringLiteral("ред"));
    menu.tabs()->setCurrentIndex(tab);
    auto* status = menu.find<QLabel>(QStringLiteral("StatusLabel"));

    menu.sink->m_failEnd = true;
    menu.click(button);
    QVERIFY(status->isVisible());
    QCOMPARE(status->text(), ReportTexts::kPrintFailed);

    menu.sink->m_failEnd = false;
    menu.sink->m_outputPath = QStringLiteral("/reports/report.pdf");
    menu.click(button);
    QCOMPARE(status->text(), ReportTexts::kPrintedToFile + QStringLiteral("/reports/report.pdf"));

    menu.sink->m_outputPath.clear();
    menu.click(button);
    QVERIFY(!status->isVisible());
    QCOMPARE(menu.sink->documentsEnded, 3);
}

void TestMenuForm::closingSavesAndDeletes()
{
    OpenMenu menu;
    menu.tabs()->setCurrentIndex(tabIndex(MenuTab::Settings));
    menu.click(QStringLiteral("Check5"));
    menu.click(QStringLiteral("Command7"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(menu.form.isNull());
    QCOMPARE(menu.ini.readOptions()[4], qint16(1));
}

// With ZELVAN_SCREENSHOT_DIR set, each tab is drawn into a PNG file there.
void TestMenuForm::screenshots()
{
    const QString dir = qEnvironmentVariable("ZELVAN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("ZELVAN_SCREENSHOT_DIR not set");
    OpenMenu menu;
    menu.engine.state.SystemNo = 0;
    QVERIFY(menu.engine.files.setName(1, QStringLiteral("Банка ДСК, клон Център")));
    QVERIFY(menu.engine.files.setName(2, QStringLiteral("Аптека Здраве")));
    QVERIFY(menu.engine.files.setName(4, QStringLiteral("Училище Христо Ботев")));
    QFile file(QDir(menu.engine.state.DataDir).filePath(QStringLiteral("Mdl_2.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("46088.6284722222\r\nP1\r\nP2\r\n");
    file.close();
    delete menu.form.data();
    auto printer = std::make_unique<FakePrintSink>();
    printer->m_fontNames = {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif"),
                            QStringLiteral("MS Sans Serif")};
    menu.form =
        new MenuForm(sessionOver(menu.engine, menu.restore, menu.optionsFile), std::move(printer));
    menu.form->show();
    QDir().mkpath(dir);
    const char* names[] = {"archive-request", "objects-list",         "settings",
                           "archive-data",    "objects-information",  "information",
                           "restore",         "objects-configuration"};
    for (int i = 0; i < 8; ++i) {
        menu.tabs()->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QVERIFY(menu.form->grab().save(QDir(dir).filePath(
            QStringLiteral("menu-%1-%2.png").arg(i).arg(QLatin1String(names[i])))));
    }
}

QTEST_MAIN(TestMenuForm)
#include "tst_menuform.moc"
