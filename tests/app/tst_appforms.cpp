#include "app/LinkLostForm.h"
#include "app/SplashForm.h"
#include "core/ScreenState.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QtTest>

using namespace zelvan;

class TestAppForms : public QObject
{
    Q_OBJECT
private slots:
    void splashFollowsTheExchange()
    {
        ScreenState screen;
        SplashForm splash(screen);
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.windowTitle(), QStringLiteral("Start Zelvan 064"));
        screen.setSplashVisible(true);
        QVERIFY(splash.isVisible());
        // Before the exchange says anything, the window's own texts.
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Модули  -"));
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("Обекти -"));
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label4"))->text(),
                 QStringLiteral("Тест за връзка ....."));
        screen.setSplashTexts(QStringLiteral("Модул - 3"), QStringLiteral("Обекти - 64Б"),
                              QStringLiteral("  Zelvan\rLine module"));
        screen.setSplashProgress(24 / 24.0 * 130);
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Модул - 3"));
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("Обекти - 64Б"));
        // The version lines are shown one under the other.
        QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("Label4"))->text(),
                 QStringLiteral("  Zelvan\nLine module"));
        QCOMPARE(splash.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), 100);
        screen.setSplashVisible(false);
        QVERIFY(!splash.isVisible());
    }

    void linkLostShowsSilentModules()
    {
        ScreenState screen;
        LinkLostForm form(screen);
        QVERIFY(!form.isVisible());
        // Sized once for eight modules: a longer message does not grow it over
        // the windows beside it.
        const QSize size = form.size();
        QCOMPARE(form.text(), QStringLiteral("Комуникацията с изнесените модули е прекъсната!"));
        screen.setLinkLostText(QStringLiteral("Комуникацията с  модули\r01,03 е прекъсната!"));
        screen.setLinkLostVisible(true);
        QVERIFY(form.isVisible());
        QCOMPARE(form.text(), QStringLiteral("Комуникацията с  модули\n01,03 е прекъсната!"));
        screen.setLinkLostText(
            QStringLiteral("Комуникацията с  модули\r41,42,43,44,45,46,47,48 е прекъсната!"));
        QCOMPARE(form.size(), size);
        screen.setLinkLostVisible(false);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TestAppForms)
#include "tst_appforms.moc"
