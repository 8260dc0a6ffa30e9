#include "Activation.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "RenderSettings.h"
#include "ScriptedDialogs.h"
#include "Startup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>
#include <memory>

// When the windows refresh themselves from the shared settings: the editor
// shows BGColor and the font colour, the picture window fits itself to the
// first page.
class tst_Activation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstWindowToTakeTheFocusRefreshes();
    void focusFromAnotherWindowOfTheProgramRefreshes();
    void showingThePictureWindowFromTheEditorRefreshesIt();
    void closingADialogOfTheSameWindowDoesNot();
    void closingAMenuOfTheSameWindowDoesNot();
    void regainingTheFocusFromAnotherProgramDoesNot();

private:
    void activate(QWidget *window);
    void convertInEditor();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<ActivationTracker> m_tracker;
};

void tst_Activation::initTestCase()
{
    m_tracker = std::make_unique<ActivationTracker>();
}

void tst_Activation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_dialogs = std::make_unique<ScriptedDialogs>();
    CreateLumoWindows(*m_dialogs);
}

void tst_Activation::cleanup()
{
    DestroyLumoWindows();
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
    QTRY_VERIFY(std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                             [](const QWidget *widget) { return widget->isVisible(); }));
}

void tst_Activation::activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
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
    activate(LumoForm);
    QCOMPARE(LumoForm->Memo->Color(), BGColor);
}

void tst_Activation::focusFromAnotherWindowOfTheProgramRefreshes()
{
    activate(LumoForm);
    convertInEditor();
    BGColor = 0x00ABCDEF;
    SetupFont->SetColor(0x00000080);
    activate(LumoForm);
    QCOMPARE(LumoForm->Memo->Color(), Colour(0x00ABCDEF));
    QCOMPARE(LumoForm->MemoFont()->Color(), Colour(0x00000080));
}

void tst_Activation::showingThePictureWindowFromTheEditorRefreshesIt()
{
    activate(LumoForm);
    convertInEditor();
    QCOMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    LumoImageForm->SetClientSize(100, 100);
    ImageList[0]->SetPopupMenu(nullptr);

    activate(LumoForm);
    LumoForm->ConvertClick();
    QVERIFY(QTest::qWaitForWindowActive(LumoImageForm));
    QTRY_COMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    QCOMPARE(ImageList[0]->PopupMenu(), LumoImageForm->PopMenu);
}

void tst_Activation::closingADialogOfTheSameWindowDoesNot()
{
    activate(LumoForm);
    BGColor = 0x00FF00FF;
    QDialog dialog(LumoForm);
    activate(&dialog);
    dialog.close();
    activate(LumoForm);
    QVERIFY(LumoForm->Memo->Color() != BGColor);

    // The picture window, too, keeps the size its user gave it.
    convertInEditor();
    LumoImageForm->SetClientSize(120, 130);
    QDialog pictureDialog(LumoImageForm);
    activate(&pictureDialog);
    pictureDialog.close();
    activate(LumoImageForm);
    QCOMPARE(LumoImageForm->ClientSize(), QSize(120, 130));
}

void tst_Activation::closingAMenuOfTheSameWindowDoesNot()
{
    activate(LumoForm);
    BGColor = 0x00FF00FF;
    LumoForm->PopMenu->popup(LumoForm->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(LumoForm->PopMenu->isVisible());
    LumoForm->PopMenu->close();
    activate(LumoForm);
    QVERIFY(LumoForm->Memo->Color() != BGColor);
}

void tst_Activation::regainingTheFocusFromAnotherProgramDoesNot()
{
    activate(LumoForm);
    BGColor = 0x0000FF80;
    // A window that is no widget of the program stands in for another
    // program's window: while it has the focus, the program has no active window.
    QWindow elsewhere;
    elsewhere.resize(50, 50);
    elsewhere.show();
    elsewhere.requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), &elsewhere);
    QCOMPARE(QApplication::activeWindow(), nullptr);

    activate(LumoForm);
    QVERIFY(LumoForm->Memo->Color() != BGColor);
    elsewhere.hide();
}

QTEST_MAIN(tst_Activation)
#include "tst_activation.moc"
