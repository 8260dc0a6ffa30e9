// "save window positions" and a restart on a real X server, with a window
// manager that draws frames (openbox) and without one: every window comes
// back exactly where it was and as large, frame included. The test starts
// its own X server and window manager before the application connects.
//
// LUMO_WINDOW_MANAGER names the window manager to run, or "none".

#include "Lumo.h"
#include "LumoImage.h"
#include "LumoSetup.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "WindowTestSupport.h"
#include "XServer.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <memory>
#include <optional>

namespace {

QString windowManager()
{
    return qEnvironmentVariable("LUMO_WINDOW_MANAGER", QStringLiteral("none"));
}

// Waits until the window's outer geometry has not changed for a while: a
// window manager frames and places a window some time after it is mapped.
QRect settledPlace(QWidget *window)
{
    QRect last = window->frameGeometry();
    for (int still = 0, round = 0; still < 5 && round < 100; ++round) {
        QTest::qWait(40);
        const QRect now = window->frameGeometry();
        still = now == last ? still + 1 : 0;
        last = now;
    }
    return last;
}

} // namespace

class tst_PlacementX11 : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(StartCase()); }
    void cleanup()
    {
        EndCase();
        QTRY_COMPARE(VisibleWindows(), QString());
    }

    void savedPlacesComeBackAfterARestart();

private:
    // The editor, a conversion in it (which shows the picture window fitted
    // to its first page) and the settings window, all on screen.
    void showTheWindows();
};

void tst_PlacementX11::showTheWindows()
{
    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoForm));
    settledPlace(LumoForm);
    LumoForm->Memo->SetText("Lumo\r\nzeichnet\r\n");
    LumoForm->ConvertClick();
    QVERIFY(QTest::qWaitForWindowExposed(LumoImageForm));
    LumoSetupForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoSetupForm));
}

void tst_PlacementX11::savedPlacesComeBackAfterARestart()
{
    CreateLumoWindows(dialogs());
    LumoForm->move(123, 145);
    LumoForm->resize(456, 378);
    showTheWindows();
    LumoImageForm->move(640, 90);
    LumoSetupForm->move(200, 560);
    const QRect editor = settledPlace(LumoForm);
    const QRect pictures = settledPlace(LumoImageForm);
    const QRect settings = settledPlace(LumoSetupForm);
    QCOMPARE(editor.topLeft(), QPoint(123, 145));
    if (windowManager() != QLatin1String("none"))
        QVERIFY2(editor.size() != LumoForm->size(), "the window manager drew no frame");
    else
        QCOMPARE(editor.size(), LumoForm->size());

    LumoSetupForm->SaveProgSetupClick();
    QVERIFY(dialogs().errors.isEmpty());

    Restart();
    QVERIFY(dialogs().errors.isEmpty());
    showTheWindows();
    QCOMPARE(settledPlace(LumoForm), editor);
    QCOMPARE(settledPlace(LumoImageForm), pictures);
    QCOMPARE(settledPlace(LumoSetupForm), settings);
    QCOMPARE(LumoForm->size(), QSize(456, 378));
}

int main(int argc, char **argv)
{
    const XServer server;
    if (server.Display().isEmpty()) {
        std::puts("SKIP: Xvfb is not installed or did not start (package xvfb)");
        return 0;
    }
    qputenv("DISPLAY", server.Display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");

    std::optional<QProcess> manager;
    if (windowManager() != QLatin1String("none")) {
        const QString program = QStandardPaths::findExecutable(windowManager());
        if (program.isEmpty()) {
            std::printf("SKIP: the window manager %s is not installed\n", qPrintable(windowManager()));
            return 0;
        }
        manager.emplace();
        manager->start(program, {});
        if (!manager->waitForStarted(5000))
            return 1;
        // Time to take over the screen before the first window appears.
        QThread::msleep(1000);
    }

    int result = 0;
    {
        QApplication application(argc, argv);
        tst_PlacementX11 test;
        result = QTest::qExec(&test, argc, argv);
    }
    if (manager) {
        manager->terminate();
        manager->waitForFinished(5000);
    }
    return result;
}

#include "tst_placement_x11.moc"
