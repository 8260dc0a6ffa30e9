#include "Lumo.h"
#include "LumoImage.h"
#include "RenderSettings.h"
#include "Startup.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QWindow>
#include <QtTest>

// When the windows refresh themselves from the shared settings: the editor
// shows BGColor and the font colour, the picture window fits itself to the
// first page.
class tst_Activation : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstWindowToTakeTheFocusRefreshes();
    void focusFromAnotherWindowOfTheProgramRefreshes();
    void showingThePictureWindowFromTheEditorRefreshesIt();
    void closingADialogOfTheSameWindowDoesNot();
    void closingAMenuOfTheSameWindowDoesNot();
    void regainingTheFocusFromAnotherProgramDoesNot();

private:
    void convertInEditor();
};

void tst_Activation::init()
{
    QVERIFY(StartCase());
    CreateLumoWindows(dialogs());
}

void tst_Activation::cleanup()
{
    EndCase();
    QTRY_COMPARE(VisibleWindows(), QString());
}

void tst_Activation::convertInEditor()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText("text");
    LumoForm->ConvertClick();
    QVERIFY(QTest::qWaitForWindowActive(LumoImageForm));
}

void tst_Activation::firstWindowToTakeTheFocusRefreshes()
{
    BGColor = 0x00123456;
    QVERIFY(LumoForm->Memo->Color() != BGColor);
    QVERIFY(ActivateWindow(LumoForm));
    QCOMPARE(LumoForm->Memo->Color(), BGColor);
}

void tst_Activation::focusFromAnotherWindowOfTheProgramRefreshes()
{
    QVERIFY(ActivateWindow(LumoForm));
    convertInEditor();
    BGColor = 0x00ABCDEF;
    SetupFont->SetColor(0x00000080);
    QVERIFY(ActivateWindow(LumoForm));
    QCOMPARE(LumoForm->Memo->Color(), Colour(0x00ABCDEF));
    QCOMPARE(LumoForm->MemoFont()->Color(), Colour(0x00000080));
}

void tst_Activation::showingThePictureWindowFromTheEditorRefreshesIt()
{
    QVERIFY(ActivateWindow(LumoForm));
    convertInEditor();
    QCOMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    LumoImageForm->SetClientSize(100, 100);
    ImageList[0]->SetPopupMenu(nullptr);

    QVERIFY(ActivateWindow(LumoForm));
    LumoForm->ConvertClick();
    QVERIFY(QTest::qWaitForWindowActive(LumoImageForm));
    QTRY_COMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    QCOMPARE(ImageList[0]->PopupMenu(), LumoImageForm->PopMenu);
}

void tst_Activation::closingADialogOfTheSameWindowDoesNot()
{
    QVERIFY(ActivateWindow(LumoForm));
    BGColor = 0x00FF00FF;
    QDialog dialog(LumoForm);
    QVERIFY(ActivateWindow(&dialog));
    dialog.close();
    QVERIFY(ActivateWindow(LumoForm));
    QVERIFY(LumoForm->Memo->Color() != BGColor);

    // The picture window, too, keeps the size its user gave it.
    convertInEditor();
    LumoImageForm->SetClientSize(120, 130);
    QDialog pictureDialog(LumoImageForm);
    QVERIFY(ActivateWindow(&pictureDialog));
    pictureDialog.close();
    QVERIFY(ActivateWindow(LumoImageForm));
    QCOMPARE(LumoImageForm->ClientSize(), QSize(120, 130));
}

void tst_Activation::closingAMenuOfTheSameWindowDoesNot()
{
    QVERIFY(ActivateWindow(LumoForm));
    BGColor = 0x00FF00FF;
    LumoForm->PopMenu->popup(LumoForm->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(LumoForm->PopMenu->isVisible());
    LumoForm->PopMenu->close();
    QVERIFY(ActivateWindow(LumoForm));
    QVERIFY(LumoForm->Memo->Color() != BGColor);
}

void tst_Activation::regainingTheFocusFromAnotherProgramDoesNot()
{
    QVERIFY(ActivateWindow(LumoForm));
    BGColor = 0x0000FF80;
    // A window that is no widget of the program stands in for another
    // program's window: while it has the focus, the program has no active window.
    QWindow elsewhere;
    elsewhere.resize(50, 50);
    elsewhere.show();
    elsewhere.requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), &elsewhere);
    QCOMPARE(QApplication::activeWindow(), nullptr);

    QVERIFY(ActivateWindow(LumoForm));
    QVERIFY(LumoForm->Memo->Color() != BGColor);
    elsewhere.hide();
}

QTEST_MAIN(tst_Activation)
#include "tst_activation.moc"
