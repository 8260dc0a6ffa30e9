#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoSaveLoad.h"
#include "LumoSetup.h"
#include "RenderSettings.h"
#include "Startup.h"
#include "TestFiles.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace {

QStringList listed(const QComboBox *box)
{
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names << box->itemText(i);
    return names;
}

// A setup section as the program writes it.
QByteArray setupSection(const QByteArray &name, const QByteArray &bgColor, const QByteArray &hoVar)
{
    return "[" + name + "]\r\nBGColor=" + bgColor
        + "\r\nFTName=Arial\r\nFTSize=8\r\nFTColor=00000000\r\nFTPitch=0\r\nFTStyle=\r\nFTCSet=0\r\nHoVar=" + hoVar
        + "\r\nVeVar=0\r\nRausch=0\r\n\r\n";
}

const QByteArray ThreeSections = "[Rot]\r\nBGColor=000000FF\r\nFTName=Courier New\r\nFTSize=12\r\nFTColor=00FF0000\r\n"
                                 "FTStyle=BI\r\nHoVar=4\r\nVeVar=15\r\nRausch=20\r\n\r\n"
                                 "[__SetupProgamPositions__]\r\nWinEditLeft=70\r\n\r\n"
                                 "[Blau]\r\nBGColor=00FF0000\r\n\r\n";

} // namespace

class tst_LumoSaveLoadForm : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowLayout();
    void activationListsSetups();
    void activationKeepsButtons();

    void positionsEntryDisablesSaveAndLoad_data();
    void positionsEntryDisablesSaveAndLoad();
    void typingOverAChosenEntry();
    void deletingPositionsKeepsButtonsDisabled();

    void saveWritesSection();
    void saveName_data();
    void saveName();
    void loadRefreshesWindows();
    void loadFailureShowsMessage();
    void deleteRewritesFile();
    void deleteWithoutFile();
    void deleteFailureKeepsNameAndList();
    void nameOutsideCodePageRefused_data();
    void nameOutsideCodePageRefused();
    void proposedNameWithTrailingBlank();
    void unreadableSettingsAtStart();

private:
    void showManager();
};

void tst_LumoSaveLoadForm::init()
{
    QVERIFY(StartCase());
    CreateLumoWindows(dialogs());
    QVERIFY(LumoSaveLoadForm);
}

void tst_LumoSaveLoadForm::cleanup()
{
    EndCase();
    QTRY_COMPARE(VisibleWindows(), QString());
}

// Brings the manager up as the editor's "save load delete" does: the focus
// passes to it from the editor, so it runs its activation.
void tst_LumoSaveLoadForm::showManager()
{
    QVERIFY(ActivateWindow(LumoForm));
    LumoSaveLoadForm->show();
    LumoSaveLoadForm->raise();
    QVERIFY(ActivateWindow(LumoSaveLoadForm));
}

void tst_LumoSaveLoadForm::windowLayout()
{
    TLumoSaveLoadForm *form = LumoSaveLoadForm;
    QCOMPARE(form->windowTitle(), QStringLiteral("Fenster Einstellungen verwalten"));
    QCOMPARE(form->windowType(), Qt::Dialog);
    QVERIFY(!form->isVisible());
    QCOMPARE(form->pos(), QPoint(150, 250));

    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(form->size(), QSize(625, 137));
    QCOMPARE(form->minimumSize(), QSize(625, 137));
    QCOMPARE(form->maximumSize(), QSize(625, 137));
    QCOMPARE(form->Panel->geometry(), QRect(0, 0, 625, 137));

    QVERIFY(form->ComboBox->isEditable());
    QCOMPARE(form->ComboBox->geometry(), QRect(24, 32, 577, 21));
    QCOMPARE(form->ComboBox->currentText(), QString());
    QCOMPARE(form->BtnSave->geometry(), QRect(32, 80, 177, 25));
    QCOMPARE(form->BtnSave->text(), QStringLiteral("save this Setup"));
    QCOMPARE(form->BtnLoad->geometry(), QRect(224, 80, 177, 25));
    QCOMPARE(form->BtnLoad->text(), QStringLiteral("load this Setup"));
    QCOMPARE(form->BtnDelete->geometry(), QRect(416, 80, 177, 25));
    QCOMPARE(form->BtnDelete->text(), QStringLiteral("delete this Setup"));
    form->hide();
}

void tst_LumoSaveLoadForm::activationListsSetups()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("mein Name"));

    showManager();

    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Rot", "__SetupProgamPositions__", "Blau"}));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QStringLiteral("mein Name"));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentIndex(), -1);
    QTRY_COMPARE(QApplication::focusWidget(), LumoSaveLoadForm->ComboBox);

    // The next activation takes the file as it is then, and the focus goes
    // back to the name field wherever it was before.
    LumoSaveLoadForm->BtnDelete->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), LumoSaveLoadForm->BtnDelete);
    QVERIFY(WriteBytes("LumoSetup.ini", "[Gelb]\r\n\r\n[Gelb]\r\n\r\n"));
    QVERIFY(ActivateWindow(LumoForm));
    QVERIFY(ActivateWindow(LumoSaveLoadForm));
    QTRY_COMPARE(QApplication::focusWidget(), LumoSaveLoadForm->ComboBox);
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Gelb", "Gelb"}));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QStringLiteral("mein Name"));
    QVERIFY(dialogs().errors.isEmpty());

    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::activationKeepsButtons()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    LumoSaveLoadForm->FormActivate();
    LumoSaveLoadForm->ComboBox->setCurrentIndex(1);
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());

    // The list refilled leaves no entry chosen, yet the buttons as they were.
    LumoSaveLoadForm->FormActivate();
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentIndex(), -1);
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QStringLiteral("__SetupProgamPositions__"));
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());
    QVERIFY(!LumoSaveLoadForm->BtnLoad->isEnabled());
    QVERIFY(LumoSaveLoadForm->BtnDelete->isEnabled());
}

void tst_LumoSaveLoadForm::positionsEntryDisablesSaveAndLoad_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("the position section") << ThreeSections << 1 << false;
    QTest::newRow("a setup") << ThreeSections << 2 << true;
    QTest::newRow("other letter case is a setup")
        << QByteArray("[__setupprogampositions__]\r\nWinEditLeft=1\r\n\r\n") << 0 << true;
}

void tst_LumoSaveLoadForm::positionsEntryDisablesSaveAndLoad()
{
    QFETCH(QByteArray, file);
    QFETCH(int, index);
    QFETCH(bool, enabled);

    QVERIFY(WriteBytes("LumoSetup.ini", file));
    showManager();
    QComboBox *box = LumoSaveLoadForm->ComboBox;

    // Chosen from the list with the keyboard, as the user does.
    for (int i = 0; i <= index; ++i)
        QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentIndex(), index);

    QCOMPARE(LumoSaveLoadForm->BtnSave->isEnabled(), enabled);
    QCOMPARE(LumoSaveLoadForm->BtnLoad->isEnabled(), enabled);
    QVERIFY(LumoSaveLoadForm->BtnDelete->isEnabled());
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::typingOverAChosenEntry()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    showManager();
    QComboBox *box = LumoSaveLoadForm->ComboBox;
    box->setCurrentIndex(1);
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());

    // Typing leaves the chosen entry: the text is a name of the user's.
    QTest::keyClicks(box->lineEdit(), "x");
    QCOMPARE(box->currentText(), QStringLiteral("__SetupProgamPositions__x"));
    QVERIFY(LumoSaveLoadForm->BtnSave->isEnabled());
    QVERIFY(LumoSaveLoadForm->BtnLoad->isEnabled());

    // Choosing the entry again disables them again.
    box->setCurrentIndex(2);
    QVERIFY(LumoSaveLoadForm->BtnSave->isEnabled());
    box->setCurrentIndex(1);
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::deletingPositionsKeepsButtonsDisabled()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    showManager();
    QComboBox *box = LumoSaveLoadForm->ComboBox;
    box->setCurrentIndex(1);
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());

    QTest::mouseClick(LumoSaveLoadForm->BtnDelete, Qt::LeftButton);

    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(LumoSaveLoadForm->isVisible());
    QCOMPARE(ReadBytes("LumoSetup.ini"),
             QByteArray("[Rot]\r\nBGColor=000000FF\r\nFTName=Courier New\r\nFTSize=12\r\nFTColor=00FF0000\r\n"
                        "FTStyle=BI\r\nHoVar=4\r\nVeVar=15\r\nRausch=20\r\n\r\n"
                        "[Blau]\r\nBGColor=00FF0000\r\n\r\n"));
    QCOMPARE(box->currentText(), QString());
    QCOMPARE(listed(box), QStringList({"Rot", "Blau"}));
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());
    QVERIFY(!LumoSaveLoadForm->BtnLoad->isEnabled());
    QVERIFY(LumoSaveLoadForm->BtnDelete->isEnabled());

    // Until the user changes the name.
    QTest::keyClicks(box->lineEdit(), "Neu");
    QVERIFY(LumoSaveLoadForm->BtnSave->isEnabled());
    QVERIFY(LumoSaveLoadForm->BtnLoad->isEnabled());
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::saveWritesSection()
{
    QVERIFY(WriteBytes("LumoSetup.ini", "[Blau]\r\nBGColor=00FF0000\r\n\r\n"));
    showManager();
    BGColor = 0x00FFFF00;
    SetupFont->SetName(QStringLiteral("Courier New"));
    SetupFont->SetSize(12);
    SetupFont->SetColor(0x000000FF);
    SetupFont->SetStyle(FontObject::fsBold | FontObject::fsItalic);
    SetupFont->SetCharset(0);
    HoVar = 3;
    VeVar = 5;
    Rausch = 9;

    QTest::keyClicks(LumoSaveLoadForm->ComboBox->lineEdit(), "Mein Setup");
    QTest::mouseClick(LumoSaveLoadForm->BtnSave, Qt::LeftButton);

    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(!LumoSaveLoadForm->isVisible());
    QCOMPARE(ReadBytes("LumoSetup.ini"),
             QByteArray("[Blau]\r\nBGColor=00FF0000\r\n\r\n"
                        "[Mein Setup]\r\nBGColor=00FFFF00\r\nFTName=Courier New\r\nFTSize=12\r\nFTColor=000000FF\r\n"
                        "FTPitch=0\r\nFTStyle=BI\r\nFTCSet=0\r\nHoVar=3\r\nVeVar=5\r\nRausch=9\r\n\r\n"));
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::saveName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("section");

    QTest::newRow("empty name is used as it is") << QString() << QByteArray();
    QTest::newRow("written in Windows-1252") << QStringLiteral("Gr\u00f6\u00dfe \u20ac")
                                             << QByteArray("Gr\xf6\xdf" "e \x80");
}

void tst_LumoSaveLoadForm::saveName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, section);

    LumoSaveLoadForm->ComboBox->setEditText(name);
    LumoSaveLoadForm->BtnSaveClick();
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(ReadBytes("LumoSetup.ini"), setupSection(section, "00FFFFFF", "0"));

    LumoSaveLoadForm->FormActivate();
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({name}));
}

void tst_LumoSaveLoadForm::loadRefreshesWindows()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    showManager();
    QComboBox *box = LumoSaveLoadForm->ComboBox;
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), QStringLiteral("Rot"));

    QTest::mouseClick(LumoSaveLoadForm->BtnLoad, Qt::LeftButton);

    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(!LumoSaveLoadForm->isVisible());
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Rot"));
    QCOMPARE(BGColor, 0x000000FF);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 12);
    QCOMPARE(SetupFont->Color(), 0x00FF0000);
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsItalic);

    // The editor shows the loaded colours.
    QCOMPARE(LumoForm->Memo->Color(), 0x000000FF);
    QCOMPARE(LumoForm->MemoFont()->Color(), 0x00FF0000);
    // The settings window shows the loaded setup; VeVar 15 is clamped to 10.
    QCOMPARE(LumoSetupForm->LabFont->text(), QStringLiteral("Courier New 12 bold italic "));
    QCOMPARE(LumoSetupForm->LabFont->palette().color(QPalette::Window), QColor(Qt::red));
    QCOMPARE(LumoSetupForm->TrBarX->value(), 4);
    QCOMPARE(LumoSetupForm->TrBarY->value(), 10);
    QCOMPARE(LumoSetupForm->TrackBarRausch->value(), 20);
    QCOMPARE(HoVar, 4);
    QCOMPARE(VeVar, 10);
    QCOMPARE(Rausch, 20);
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::loadFailureShowsMessage()
{
    QVERIFY(WriteBytes("LumoSetup.ini", "[Kaputt]\r\nBGColor=00FF0000\r\nFTName=Courier New\r\nFTSize=14\r\n"
                                        "FTColor=000000FF\r\nFTPitch=x\r\nHoVar=5\r\n\r\n"));
    showManager();
    LumoSetupForm->FormActivate();
    const QString caption = LumoSetupForm->LabFont->text();
    const Colour memoBackground = LumoForm->Memo->Color();
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Kaputt"));

    LumoSaveLoadForm->BtnLoad->click();

    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors.first().title, ProgramTitle());
    QCOMPARE(dialogs().errors.first().text, QStringLiteral("'x' ist kein g\u00fcltiger Integerwert."));
    QVERIFY(LumoSaveLoadForm->isVisible());
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Fenster Einstellungen verwalten"));
    // Loading stopped at the pitch: what came before it is in effect ...
    QCOMPARE(BGColor, 0x00FF0000);
    QCOMPARE(SetupFont->Size(), 14);
    QCOMPARE(HoVar, 0);
    // ... but neither the editor nor the settings window was refreshed.
    QCOMPARE(LumoSetupForm->LabFont->text(), caption);
    QCOMPARE(LumoForm->Memo->Color(), memoBackground);
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::deleteRewritesFile()
{
    QVERIFY(WriteBytes("LumoSetup.ini", "; notiert von Hand\r\n[Rot]\r\nHoVar = 4\r\n\r\n\r\n[Blau]\r\nHoVar=1\r\n"));
    showManager();
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("ROT"));
    LumoSaveLoadForm->BtnDelete->click();

    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(LumoSaveLoadForm->isVisible());
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray("[Blau]\r\nHoVar=1\r\n\r\n"));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QString());
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Blau"}));

    // A name that is not there removes nothing, and the file is rewritten.
    QVERIFY(WriteBytes("LumoSetup.ini", "[Blau]\r\n  HoVar=1\r\n"));
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Gibt es nicht"));
    LumoSaveLoadForm->BtnDeleteClick();
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray("[Blau]\r\nHoVar=1\r\n\r\n"));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QString());
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::deleteWithoutFile()
{
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Rot"));
    LumoSaveLoadForm->BtnDeleteClick();
    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(QFile::exists("LumoSetup.ini"));
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray());
    QCOMPARE(LumoSaveLoadForm->ComboBox->count(), 0);
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QString());
}

void tst_LumoSaveLoadForm::deleteFailureKeepsNameAndList()
{
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    LumoSaveLoadForm->FormActivate();
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Rot"));

    // A folder in place of the file: it can be neither read nor written.
    QVERIFY(QFile::remove("LumoSetup.ini"));
    QVERIFY(QDir().mkdir("LumoSetup.ini"));
    LumoSaveLoadForm->BtnDeleteClick();

    QCOMPARE(dialogs().errors.size(), 1);
    const QString prefix = QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. ")
                               .arg(QDir::current().absoluteFilePath("LumoSetup.ini"));
    QVERIFY2(dialogs().errors.first().text.startsWith(prefix), qPrintable(dialogs().errors.first().text));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QStringLiteral("Rot"));
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Rot", "__SetupProgamPositions__", "Blau"}));
}

void tst_LumoSaveLoadForm::nameOutsideCodePageRefused_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("save") << QStringLiteral("BtnSave");
    QTest::newRow("load") << QStringLiteral("BtnLoad");
    QTest::newRow("delete") << QStringLiteral("BtnDelete");
}

void tst_LumoSaveLoadForm::nameOutsideCodePageRefused()
{
    QFETCH(QString, button);

    // "[??]" is what "日本" and "中文" alike would be stored as.
    const QByteArray file = ThreeSections + setupSection("??", "0000FF00", "2");
    QVERIFY(WriteBytes("LumoSetup.ini", file));
    showManager();
    BGColor = 0x00123456;
    const QString name = QStringLiteral("\u65e5\u672c");
    LumoSaveLoadForm->ComboBox->setEditText(name);

    QTest::mouseClick(LumoSaveLoadForm->findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors.first().title, ProgramTitle());
    QCOMPARE(dialogs().errors.first().text,
             QStringLiteral("Der Name \"\u65e5\u672c\" enth\u00e4lt Zeichen, die die Einstellungsdatei nicht "
                            "speichern kann."));
    QVERIFY(LumoSaveLoadForm->isVisible());
    QCOMPARE(ReadBytes("LumoSetup.ini"), file);
    QCOMPARE(BGColor, 0x00123456);
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Fenster Einstellungen verwalten"));
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), name);
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::proposedNameWithTrailingBlank()
{
    // The settings window proposes "Arial 8 " for the plain Arial 8 pt font.
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(8);
    SetupFont->SetStyle(0);
    BGColor = 0x00112233;
    HoVar = 3;
    LumoSetupForm->SaveLoadDeleteClick();
    QTRY_VERIFY(LumoSaveLoadForm->isActiveWindow());
    QCOMPARE(LumoSaveLoadForm->ComboBox->currentText(), QStringLiteral("Arial 8 "));

    LumoSaveLoadForm->BtnSaveClick();
    QCOMPARE(ReadBytes("LumoSetup.ini"), setupSection("Arial 8 ", "00112233", "3"));

    // Read back, the section name has lost its blank.
    LumoSaveLoadForm->FormActivate();
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Arial 8"}));

    // The proposed text finds no section and loads the defaults ...
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Arial 8 "));
    LumoSaveLoadForm->BtnLoadClick();
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(BGColor, 0x00FFFFFF);
    QCOMPARE(HoVar, 0);
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Arial 8 "));

    // ... the listed name finds it.
    LumoSaveLoadForm->ComboBox->setCurrentIndex(0);
    LumoSaveLoadForm->BtnLoadClick();
    QCOMPARE(BGColor, 0x00112233);
    QCOMPARE(HoVar, 3);
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Arial 8"));

    // Saving again under the proposed text appends a second section, which
    // is the one read from then on.
    HoVar = 6;
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Arial 8 "));
    LumoSaveLoadForm->BtnSaveClick();
    QCOMPARE(ReadBytes("LumoSetup.ini"),
             setupSection("Arial 8", "00112233", "3") + setupSection("Arial 8 ", "00112233", "6"));
    LumoSaveLoadForm->FormActivate();
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Arial 8", "Arial 8"}));
    HoVar = 0;
    LumoSaveLoadForm->ComboBox->setCurrentIndex(0);
    LumoSaveLoadForm->BtnLoadClick();
    QCOMPARE(HoVar, 6);
    LumoForm->hide();
}

void tst_LumoSaveLoadForm::unreadableSettingsAtStart()
{
    QVERIFY(QDir().mkdir("LumoSetup.ini"));
    Restart();

    // Each window's creation stopped at its first read, with one message each.
    const QString message = QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. ")
                                .arg(QDir::current().absoluteFilePath("LumoSetup.ini"));
    QCOMPARE(dialogs().errors.size(), 4);
    for (const ScriptedDialogs::Error &error : std::as_const(dialogs().errors)) {
        QCOMPARE(error.title, ProgramTitle());
        QVERIFY2(error.text.startsWith(message), qPrintable(error.text));
    }
    QCOMPARE(LumoSaveLoadForm->pos(), QPoint(275, 260));
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Fenster Einstellungen verwalten"));

    // Once the file is readable again, the manager works all the same.
    QVERIFY(QDir().rmdir("LumoSetup.ini"));
    QVERIFY(WriteBytes("LumoSetup.ini", ThreeSections));
    dialogs().errors.clear();
    showManager();
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"Rot", "__SetupProgamPositions__", "Blau"}));
    QTest::keyClick(LumoSaveLoadForm->ComboBox, Qt::Key_Down);
    QTest::keyClick(LumoSaveLoadForm->ComboBox, Qt::Key_Down);
    QVERIFY(!LumoSaveLoadForm->BtnSave->isEnabled());
    QTest::keyClick(LumoSaveLoadForm->ComboBox, Qt::Key_Down);
    QVERIFY(LumoSaveLoadForm->BtnSave->isEnabled());

    QTest::mouseClick(LumoSaveLoadForm->BtnLoad, Qt::LeftButton);
    QCOMPARE(LumoSaveLoadForm->windowTitle(), QStringLiteral("Blau"));
    QCOMPARE(BGColor, 0x00FF0000);
    QVERIFY(!LumoSaveLoadForm->isVisible());

    showManager();
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Neu"));
    QTest::mouseClick(LumoSaveLoadForm->BtnSave, Qt::LeftButton);
    QVERIFY(!LumoSaveLoadForm->isVisible());
    QVERIFY(ReadBytes("LumoSetup.ini").contains("\r\n[Neu]\r\nBGColor=00FF0000\r\n"));

    showManager();
    LumoSaveLoadForm->ComboBox->setEditText(QStringLiteral("Rot"));
    QTest::mouseClick(LumoSaveLoadForm->BtnDelete, Qt::LeftButton);
    QVERIFY(!ReadBytes("LumoSetup.ini").contains("[Rot]"));
    QCOMPARE(listed(LumoSaveLoadForm->ComboBox), QStringList({"__SetupProgamPositions__", "Blau", "Neu"}));
    QVERIFY(dialogs().errors.isEmpty());
    LumoSaveLoadForm->hide();
    LumoForm->hide();
}

QTEST_MAIN(tst_LumoSaveLoadForm)
#include "tst_lumosaveloadform.moc"
