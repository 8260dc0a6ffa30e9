#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoError.h"
#include "LumoImage.h"
#include "LumoSaveLoad.h"
#include "LumoSetup.h"
#include "RenderSettings.h"
#include "ScriptedDialogs.h"
#include "SetupStore.h"
#include "Startup.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "WholeFile.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>
#include <QtTest>

namespace {

// Also notes which window each message box belongs to.
class RecordingDialogs : public ScriptedDialogs
{
public:
    QList<QWidget *> errorParents;

    void ShowError(QWidget *parent, const QString &title, const QString &text) override
    {
        errorParents << parent;
        ScriptedDialogs::ShowError(parent, title, text);
    }
};

const QByteArray StoredSettings = "[__SetupProgamPositions__]\r\n"
                                  "WinEditLeft=10\r\nWinEditTop=20\r\nWinEditWidth=500\r\nWinEditHeight=600\r\n"
                                  "WinImageLeft=600\r\nWinImageTop=30\r\nWinImageWidth=320\r\nWinImageHeight=240\r\n"
                                  "\r\n"
                                  "[__StandardSetup__]\r\n"
                                  "BGColor=0000FFFF\r\nFTName=Courier New\r\nFTSize=12\r\nFTColor=000000FF\r\n"
                                  "FTPitch=2\r\nFTStyle=BI\r\nFTCSet=0\r\nHoVar=3\r\nVeVar=4\r\nRausch=5\r\n\r\n";

} // namespace

class tst_Startup : public QObject, private WindowTestFixture<RecordingDialogs>
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyFolder();
    void folderWithSettingsAndStartText();
    void storedPositionsComeBackExactly();
    void brokenStandardSetupIsIgnored();
    void unreadableStartTextIsIgnored();
    void unreadableSettingsFileStopsEveryWindowAtItsPositionRead();
    void onlyTheEditorEndsTheProgram();
};

void tst_Startup::init()
{
    QVERIFY(StartCase());
}

void tst_Startup::cleanup()
{
    EndCase();
    QCOMPARE(LumoForm, nullptr);
    QCOMPARE(LumoImageForm, nullptr);
    QVERIFY(ImageList.empty());
    QTRY_COMPARE(VisibleWindows(), QString());
}

void tst_Startup::emptyFolder()
{
    CreateLumoWindows(dialogs());
    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(LumoForm && LumoImageForm && LumoSetupForm && LumoSaveLoadForm);

    QCOMPARE(LumoForm->pos(), QPoint(50, 50));
    QCOMPARE(LumoForm->size(), QSize(300, 400));
    QCOMPARE(LumoImageForm->pos(), QPoint(350, 50));
    QCOMPARE(LumoImageForm->size(), QSize(300, 400));
    QVERIFY(!LumoImageForm->isVisible());
    QVERIFY(!LumoSetupForm->isVisible());
    QVERIFY(!LumoSaveLoadForm->isVisible());

    QCOMPARE(LumoForm->MemoText(), QByteArray());
    QCOMPARE(SetupFont.get(), LumoForm->MemoFont().get());
    QCOMPARE(SetupFont->Name(), QStringLiteral("Arial"));
    QCOMPARE(SetupFont->Size(), 8);
    QCOMPARE(SetupFont->Color(), clBlack);
    QCOMPARE(SetupFont->Charset(), 0);
    QCOMPARE(SetupFont->Style(), 0);
    QCOMPARE(BGColor, clWhite);
    QCOMPARE(HoVar, 0);
    QCOMPARE(VeVar, 0);
    QCOMPARE(Rausch, 0);
    QCOMPARE(ImageList.size(), std::size_t(1));

    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowActive(LumoForm));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(LumoForm->Memo->font().family(), QFont(QStringLiteral("Arial")).family());
}

void tst_Startup::folderWithSettingsAndStartText()
{
    QVERIFY(WriteBytes("LumoSetup.ini", StoredSettings));
    QVERIFY(WriteBytes("lore_ipsum.txt", "Lorem ipsum\ndolor sit amet\r\n"));
    CreateLumoWindows(dialogs());
    QVERIFY(dialogs().errors.isEmpty());

    QCOMPARE(LumoForm->pos(), QPoint(10, 20));
    QCOMPARE(LumoForm->size(), QSize(500, 600));
    QCOMPARE(LumoImageForm->pos(), QPoint(600, 30));
    QCOMPARE(LumoImageForm->size(), QSize(320, 240));
    QCOMPARE(LumoForm->MemoText(), QByteArray("Lorem ipsum\r\ndolor sit amet\r\n"));

    QCOMPARE(SetupFont.get(), LumoForm->MemoFont().get());
    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 12);
    QCOMPARE(SetupFont->Color(), Colour(0x000000FF));
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsItalic);
    QCOMPARE(BGColor, Colour(0x0000FFFF));
    QCOMPARE(HoVar, 3);
    QCOMPARE(VeVar, 4);
    QCOMPARE(Rausch, 5);
    QVERIFY(LumoForm->Memo->font().bold());

    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowActive(LumoForm));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Base), QColor(255, 255, 0));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Text), QColor(255, 0, 0));
}

void tst_Startup::storedPositionsComeBackExactly()
{
    CreateLumoWindows(dialogs());
    LumoForm->show();
    LumoForm->move(123, 145);
    LumoForm->resize(456, 378);
    QVERIFY(QTest::qWaitForWindowExposed(LumoForm));
    QTRY_COMPARE(LumoForm->pos(), QPoint(123, 145));
    const QRect editor = LumoForm->frameGeometry();
    // The offscreen platform draws a frame of its own, so outer and inner
    // sizes differ here as under a window manager.
    QVERIFY(editor.size() != LumoForm->size());
    LumoSetupForm->move(222, 111);
    LumoSetupForm->SaveProgSetupClick();
    QVERIFY(dialogs().errors.isEmpty());
    // The stored width and height are the outer ones, frame included.
    QCOMPARE(ReadPosition(PositionKeys::WinEditWidth), editor.width());
    QCOMPARE(ReadPosition(PositionKeys::WinEditHeight), editor.height());
    DestroyLumoWindows();

    CreateLumoWindows(dialogs());
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(LumoForm->pos(), QPoint(123, 145));
    QCOMPARE(LumoSetupForm->pos(), QPoint(222, 111));
    // Shown, the editor gets its frame back around the same inside.
    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoForm));
    QTRY_COMPARE(LumoForm->frameGeometry(), editor);
    QCOMPARE(LumoForm->size(), QSize(456, 378));
}

void tst_Startup::brokenStandardSetupIsIgnored()
{
    QVERIFY(WriteBytes("LumoSetup.ini", "[__StandardSetup__]\r\nBGColor=000000FF\r\nFTName=Verdana\r\nFTPitch=x\r\n"));
    QVERIFY(WriteBytes("lore_ipsum.txt", "still loaded"));
    CreateLumoWindows(dialogs());
    QVERIFY(dialogs().errors.isEmpty());
    // Loading stopped at the pitch; what came before it took effect.
    QCOMPARE(BGColor, Colour(0x000000FF));
    QCOMPARE(SetupFont->Name(), QStringLiteral("Verdana"));
    QCOMPARE(LumoForm->MemoText(), QByteArray("still loaded"));
}

void tst_Startup::unreadableStartTextIsIgnored()
{
    QVERIFY(QDir().mkdir("lore_ipsum.txt"));
    CreateLumoWindows(dialogs());
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(LumoForm->MemoText(), QByteArray());
}

void tst_Startup::unreadableSettingsFileStopsEveryWindowAtItsPositionRead()
{
    QVERIFY(QDir().mkdir("LumoSetup.ini"));
    QVERIFY(WriteBytes("lore_ipsum.txt", "not loaded"));
    CreateLumoWindows(dialogs());

    QCOMPARE(dialogs().errorParents,
             QList<QWidget *>({LumoForm, LumoImageForm, LumoSetupForm, LumoSaveLoadForm}));
    const QString message = dialogs().errors[0].text;
    QVERIFY2(message.startsWith(QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. ").arg(FullPath("LumoSetup.ini"))),
             qPrintable(message));
    for (const auto &error : dialogs().errors) {
        QCOMPARE(error.text, message);
        QCOMPARE(error.title, ProgramTitle());
    }

    // The layout's geometry stays.
    QCOMPARE(LumoForm->pos(), QPoint(500, 53));
    QCOMPARE(LumoForm->size(), QSize(425, 577));
    QCOMPARE(LumoImageForm->pos(), QPoint(547, 139));
    QCOMPARE(LumoImageForm->size(), QSize(334, 440));
    // The steps after the read did not run: no standard setup, no start text.
    QCOMPARE(SetupFont.get(), LumoForm->MemoFont().get());
    QCOMPARE(SetupFont->Name(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(SetupFont->Charset(), 1);
    QCOMPARE(LumoForm->MemoText(), QByteArray());
    // The steps before it did: the windows have their titles and menus.
    QCOMPARE(LumoForm->windowTitle(), QStringLiteral("Editorfenster"));
    QCOMPARE(LumoForm->PopMenu->actions().size(), 9);
    QCOMPARE(LumoImageForm->windowTitle(), QStringLiteral("Bildfenster"));
    QCOMPARE(LumoImageForm->PopMenu->actions().size(), 6);
    QCOMPARE(ImageList.size(), std::size_t(1));
}

void tst_Startup::onlyTheEditorEndsTheProgram()
{
    CreateLumoWindows(dialogs());
    LumoForm->show();
    LumoImageForm->ShowForm();
    LumoSetupForm->show();
    LumoSaveLoadForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoSaveLoadForm));

    QTimer::singleShot(0, LumoForm, [] {
        // Closing a secondary window only hides it.
        LumoImageForm->close();
        LumoSetupForm->close();
        LumoSaveLoadForm->close();
        QTimer::singleShot(0, LumoForm, [] {
            if (LumoForm->isVisible())
                LumoForm->close();
        });
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(LumoImageForm && LumoSetupForm && LumoSaveLoadForm);
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
