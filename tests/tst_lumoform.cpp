#include "CodePage.h"
#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "RenderSettings.h"
#include "Startup.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "WholeFile.h"
#include "WindowInteraction.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QtTest>

class tst_LumoForm : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuCaptionsInOrder();
    void titleAndRenderFont();
    void convertSizesFirstPictureAndShowsPictures();
    void convertMakesPagesBelowEachOther();
    void convertToOnePictureGrows();
    void convertCopiesMemoFontSizeToSetupFont();
    void convertFromFile();
    void convertFromUnreadableFileKeepsOlderPages();
    void convertFromFileTakesLastDialogTitle();
    void loadTextTurnsEveryBreakIntoCrLf();
    void loadTextStopsAtNul();
    void loadTooLargeTextKeepsText();
    void saveTextWritesBytesAsHeld_data();
    void saveTextWritesBytesAsHeld();
    void everyByteSurvivesLoadAndSave();
    void saveTextToUncreatableFile();
    void cancelledDialogsChangeNothing();
    void dokuLoadsDocumentationSilently();
    void ctrlWheelChangesMemoFontSize_data();
    void ctrlWheelChangesMemoFontSize();
    void wheelWithoutCtrlLeavesSize();
    void wheelEventGoesOnToTextArea();
    void setupFontFollowsMemoFontUntilFontChosen();
    void ctrlAWithAnyModifierSelectsAll_data();
    void ctrlAWithAnyModifierSelectsAll();
    void keyDownLooksOnlyAtCtrl();
    void activationShowsBackgroundAndFontColour();
    void contextMenuIsPopMenu();
    void quitEndsTheProgram();
    void loadMissingFileShowsMessage();
    void pictureBeyondMemoryShowsTheProgramsMessage();
};

void tst_LumoForm::init()
{
    QVERIFY(StartCase());
    CreateLumoWindows(dialogs());
    QVERIFY(LumoForm);
    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoForm));
}

void tst_LumoForm::cleanup()
{
    EndCase();
    QTRY_COMPARE(VisibleWindows(), QString());
}

void tst_LumoForm::menuCaptionsInOrder()
{
    QCOMPARE(Captions(LumoForm->PopMenu), QStringList({"load text", "save text", "save load delete", "show setup",
                                                       "convert", "convert to one picture", "convert from file",
                                                       "doku", "quit"}));
}

void tst_LumoForm::titleAndRenderFont()
{
    QCOMPARE(LumoForm->windowTitle(), QStringLiteral("Editorfenster"));
    QCOMPARE(SetupFont.get(), LumoForm->MemoFont().get());
    // No settings file: the standard setup's defaults.
    QCOMPARE(SetupFont->Name(), QStringLiteral("Arial"));
    QCOMPARE(SetupFont->Size(), 8);
    QCOMPARE(SetupFont->Color(), clBlack);
    QCOMPARE(SetupFont->Charset(), 0);
    QCOMPARE(LumoForm->Memo->font().family(), LumoForm->MemoFont()->ToQFont().family());
    QCOMPARE(LumoForm->font().pointSize(), 8);
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::convertSizesFirstPictureAndShowsPictures()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText("abc");
    LumoForm->ConvertClick();

    PictureControl &image = LumoImageForm->Image();
    QCOMPARE(image.Width(), 308);
    QCOMPARE(image.Height(), 400);
    QCOMPARE(image.BitmapWidth(), 308);
    QCOMPARE(image.BitmapHeight(), 400);
    QCOMPARE(ImageList.size(), std::size_t(1));
    QVERIFY(LumoImageForm->isVisible());
    QTRY_VERIFY(LumoImageForm->isActiveWindow());
    // The picture window fitted itself to the first page when it became active.
    QTRY_COMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::convertMakesPagesBelowEachOther()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText(ManyLines(80));
    LumoForm->ConvertClick();

    QVERIFY2(ImageList.size() >= 3, qPrintable(QString::number(ImageList.size())));
    QCOMPARE(ImageList.front(), &LumoImageForm->Image());
    for (std::size_t i = 0; i < ImageList.size(); ++i) {
        QCOMPARE(ImageList[i]->Top(), int(i) * 400);
        QCOMPARE(ImageList[i]->Left(), 0);
        QCOMPARE(ImageList[i]->Width(), 308);
        QCOMPARE(ImageList[i]->Height(), 400);
    }
}

void tst_LumoForm::convertToOnePictureGrows()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText(ManyLines(80));
    LumoForm->ConvertClick();
    QVERIFY(ImageList.size() > 1);

    LumoForm->ConvertOneClick();
    QCOMPARE(ImageList.size(), std::size_t(1));
    PictureControl &image = LumoImageForm->Image();
    QCOMPARE(image.Width(), 308);
    QVERIFY2(image.Height() > 2 * 400, qPrintable(QString::number(image.Height())));
    QCOMPARE(image.BitmapHeight(), image.Height());
}

void tst_LumoForm::convertCopiesMemoFontSizeToSetupFont()
{
    // After a font was chosen, the render font is a separate object whose
    // size only the conversion brings in step.
    auto chosen = std::make_shared<FontObject>(*SetupFont);
    chosen->SetSize(20);
    SetupFont = chosen;
    LumoForm->SetMemoFont(*chosen);
    LumoForm->MemoFont()->SetSize(11);
    QCOMPARE(SetupFont->Size(), 20);

    LumoForm->ConvertClick();
    QCOMPARE(SetupFont.get(), chosen.get());
    QCOMPARE(SetupFont->Size(), 11);
    QCOMPARE(LumoImageForm->Image().Width(), LumoForm->Memo->width() + 11);
}

void tst_LumoForm::convertFromFile()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    QVERIFY(WriteBytes("text.txt", ManyLines(80)));
    auto chosen = std::make_shared<FontObject>(*SetupFont);
    SetupFont = chosen;
    SetupFont->SetSize(10);
    LumoForm->MemoFont()->SetSize(8);
    LumoImageForm->SetClientSize(200, 150);

    dialogs().openAnswers.push_back(QStringLiteral("text.txt"));
    LumoForm->ConvertFileClick();

    QCOMPARE(LumoImageForm->Image().Width(), 308);
    QCOMPARE(LumoImageForm->Image().Height(), 400);
    // Neither the render font's size nor the picture window's client height
    // are touched before the conversion.
    QCOMPARE(SetupFont->Size(), 10);
    QVERIFY(ImageList.size() >= 3);
    QCOMPARE(ImageList[1]->Top(), 400);
    QVERIFY(LumoImageForm->isVisible());
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::convertFromUnreadableFileKeepsOlderPages()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText(ManyLines(80));
    LumoForm->ConvertClick();
    const std::size_t pages = ImageList.size();
    QVERIFY(pages >= 3);
    LumoImageForm->hide();
    LumoForm->resize(250, 300);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(250, 300));

    dialogs().openAnswers.push_back(QStringLiteral("missing.txt"));
    LumoForm->ConvertFileClick();

    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors[0].text, CannotOpenMessage("missing.txt"));
    QCOMPARE(ImageList.size(), pages);
    PictureControl &image = LumoImageForm->Image();
    QVERIFY(!image.HasBitmap());
    QCOMPARE(image.Width(), 258);
    QCOMPARE(image.Height(), 300);
    QVERIFY(!LumoImageForm->isVisible());
}

void tst_LumoForm::convertFromFileTakesLastDialogTitle()
{
    QVERIFY(WriteBytes("a.txt", "a"));
    LumoForm->ConvertFileClick();
    dialogs().openAnswers.push_back(QStringLiteral("a.txt"));
    LumoForm->LoadFileClick();
    LumoForm->ConvertFileClick();
    LumoForm->SaveFileClick();
    LumoForm->ConvertFileClick();
    QCOMPARE(dialogs().openTitles, QStringList({"", "Datei laden", "Datei laden", "Datei speichern",
                                                 "Datei speichern"}));
}

void tst_LumoForm::loadTextTurnsEveryBreakIntoCrLf()
{
    QVERIFY(WriteBytes("breaks.txt", "one\rtwo\nthree\r\nfour\n\rfive"));
    dialogs().openAnswers.push_back(QStringLiteral("breaks.txt"));
    LumoForm->LoadFileClick();
    QCOMPARE(dialogs().openTitles, QStringList({"Datei laden"}));
    QCOMPARE(LumoForm->MemoText(), QByteArray("one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive"));
    QCOMPARE(LumoForm->Memo->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\n\nfive"));
}

void tst_LumoForm::loadTextStopsAtNul()
{
    QVERIFY(WriteBytes("nul.txt", QByteArray("before\r\nhalf", 12) + QByteArray(1, '\0') + "after\r\n"));
    dialogs().openAnswers.push_back(QStringLiteral("nul.txt"));
    LumoForm->LoadFileClick();
    QCOMPARE(LumoForm->MemoText(), QByteArray("before\r\nhalf"));
}

void tst_LumoForm::loadTooLargeTextKeepsText()
{
    LumoForm->Memo->SetText("kept");
    QVERIFY(WriteBytes("huge.txt", QByteArray(TLumoMemo::Capacity + 1, 'x')));
    dialogs().openAnswers.push_back(QStringLiteral("huge.txt"));
    LumoForm->LoadFileClick();
    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors[0].text, QStringLiteral("Text \u00fcberschreitet Memo-Kapazit\u00e4t."));
    QCOMPARE(LumoForm->MemoText(), QByteArray("kept"));
}

void tst_LumoForm::saveTextWritesBytesAsHeld_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("no break after the last line") << "one\ntwo" << QByteArray("one\r\ntwo");
    QTest::newRow("text ending in a break") << "one\n" << QByteArray("one\r\n");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blank lines") << "\n\na" << QByteArray("\r\n\r\na");
    QTest::newRow("Windows-1252 letters") << QStringLiteral("\u20ac \u00e4\u00df \u0153") << QByteArray("\x80 \xe4\xdf \x9c");
    QTest::newRow("character outside Windows-1252") << QStringLiteral("a\u03a9b") << QByteArray("a?b");
    QTest::newRow("character outside the basic plane") << QStringLiteral("a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("no-break space") << QStringLiteral("a\u00a0b") << QByteArray("a\xa0" "b");
}

void tst_LumoForm::saveTextWritesBytesAsHeld()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, written);
    LumoForm->Memo->setPlainText(typed);
    QVERIFY(WriteBytes("old.txt", "an older and longer text"));
    dialogs().openAnswers.push_back(QStringLiteral("old.txt"));
    LumoForm->SaveFileClick();
    QCOMPARE(dialogs().openTitles, QStringList({"Datei speichern"}));
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(ReadBytes("old.txt"), written);

    // and back again
    LumoForm->Memo->SetText("other");
    dialogs().openAnswers.push_back(QStringLiteral("old.txt"));
    LumoForm->LoadFileClick();
    QCOMPARE(LumoForm->MemoText(), written);
}

void tst_LumoForm::everyByteSurvivesLoadAndSave()
{
    QByteArray bytes;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            bytes += char(b);
    }
    bytes += "\r\nlast";
    QVERIFY(WriteBytes("bytes.txt", bytes));
    dialogs().openAnswers.push_back(QStringLiteral("bytes.txt"));
    LumoForm->LoadFileClick();
    dialogs().openAnswers.push_back(QStringLiteral("copy.txt"));
    LumoForm->SaveFileClick();
    QCOMPARE(ReadBytes("copy.txt"), bytes);
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::saveTextToUncreatableFile()
{
    QVERIFY(QDir().mkdir("folder"));
    LumoForm->Memo->SetText("text");
    dialogs().openAnswers.push_back(QStringLiteral("folder"));
    LumoForm->SaveFileClick();
    QCOMPARE(dialogs().errors.size(), 1);
    QVERIFY2(dialogs().errors[0].text.startsWith("Datei \"" + FullPath("folder") + "\" kann nicht erstellt werden. "),
             qPrintable(dialogs().errors[0].text));
    QCOMPARE(LumoForm->MemoText(), QByteArray("text"));
}

void tst_LumoForm::cancelledDialogsChangeNothing()
{
    LumoForm->Memo->SetText("kept");
    LumoForm->LoadFileClick();
    LumoForm->SaveFileClick();
    LumoForm->ConvertFileClick();
    QCOMPARE(dialogs().openTitles.size(), 3);
    QCOMPARE(LumoForm->MemoText(), QByteArray("kept"));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());
    QVERIFY(!LumoImageForm->isVisible());
    QVERIFY(!LumoImageForm->Image().HasBitmap());
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::dokuLoadsDocumentationSilently()
{
    LumoForm->Memo->SetText("kept");
    LumoForm->DokuClick();
    QCOMPARE(LumoForm->MemoText(), QByteArray("kept"));

    QVERIFY(WriteBytes("Dokumentation.txt", "Hilfe\nText"));
    LumoForm->DokuClick();
    QCOMPARE(LumoForm->MemoText(), QByteArray("Hilfe\r\nText"));

    QVERIFY(QFile::remove("Dokumentation.txt"));
    QVERIFY(QDir().mkdir("Dokumentation.txt"));
    LumoForm->DokuClick();
    QCOMPARE(LumoForm->MemoText(), QByteArray("Hilfe\r\nText"));
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoForm::ctrlWheelChangesMemoFontSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("down towards the user grows") << 8 << -120 << QList<int>{9, 10, 11};
    QTest::newRow("up from 2 shrinks to 1 and stays") << 2 << 120 << QList<int>{1, 1, 1};
    QTest::newRow("up from 12 shrinks") << 12 << 120 << QList<int>{11, 10, 9};
    QTest::newRow("two notches at once") << 8 << -240 << QList<int>{10, 12, 14};
    QTest::newRow("half notches add up") << 8 << -60 << QList<int>{8, 9, 9};
}

void tst_LumoForm::ctrlWheelChangesMemoFontSize()
{
    QFETCH(int, size);
    QFETCH(int, delta);
    QFETCH(QList<int>, sizes);
    LumoForm->MemoFont()->SetSize(size);
    QList<int> seen;
    for (int i = 0; i < sizes.size(); ++i) {
        TurnWheel(LumoForm->Memo->viewport(), delta, Qt::ControlModifier);
        seen << LumoForm->MemoFont()->Size();
    }
    QCOMPARE(seen, sizes);
    QCOMPARE(LumoForm->Memo->font().pixelSize(), std::abs(LumoForm->MemoFont()->Height()));
}

void tst_LumoForm::wheelWithoutCtrlLeavesSize()
{
    LumoForm->MemoFont()->SetSize(8);
    TurnWheel(LumoForm->Memo->viewport(), -120, Qt::NoModifier);
    TurnWheel(LumoForm->Memo->viewport(), 120, Qt::ShiftModifier);
    QCOMPARE(LumoForm->MemoFont()->Size(), 8);
}

void tst_LumoForm::wheelEventGoesOnToTextArea()
{
    LumoForm->resize(300, 400);
    LumoForm->Memo->SetText(ManyLines(200));
    QScrollBar *bar = LumoForm->Memo->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);
    TurnWheel(LumoForm->Memo->viewport(), -120, Qt::NoModifier);
    const int oneNotch = bar->value();
    QVERIFY(oneNotch > 0);
    bar->setValue(0);
    TurnWheel(LumoForm->Memo->viewport(), -120, Qt::ControlModifier);
    QCOMPARE(LumoForm->MemoFont()->Size(), 9);
    // The text area scrolled with the same notch, by lines as without Ctrl.
    QCOMPARE(bar->value(), oneNotch);
}

void tst_LumoForm::setupFontFollowsMemoFontUntilFontChosen()
{
    LumoForm->MemoFont()->SetSize(8);
    TurnWheel(LumoForm->Memo->viewport(), -120, Qt::ControlModifier);
    QCOMPARE(SetupFont->Size(), 9);

    // What the settings window does when a font is accepted in the dialog.
    auto chosen = std::make_shared<FontObject>(*SetupFont);
    chosen->SetName(QStringLiteral("Courier New"));
    chosen->SetSize(14);
    SetupFont = chosen;
    LumoForm->SetMemoFont(*chosen);
    QCOMPARE(LumoForm->MemoFont()->Name(), QStringLiteral("Courier New"));
    QCOMPARE(LumoForm->MemoFont()->Size(), 14);
    QVERIFY(LumoForm->MemoFont().get() != SetupFont.get());

    TurnWheel(LumoForm->Memo->viewport(), -120, Qt::ControlModifier);
    QCOMPARE(LumoForm->MemoFont()->Size(), 15);
    QCOMPARE(SetupFont->Size(), 14);
    QCOMPARE(LumoForm->Memo->font().pixelSize(), std::abs(LumoForm->MemoFont()->Height()));
}

void tst_LumoForm::ctrlAWithAnyModifierSelectsAll_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("selects");
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier) << true;
    QTest::newRow("Ctrl+Shift") << (Qt::ControlModifier | Qt::ShiftModifier) << true;
    QTest::newRow("Shift alone") << Qt::KeyboardModifiers(Qt::ShiftModifier) << false;
}

void tst_LumoForm::ctrlAWithAnyModifierSelectsAll()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, selects);
    LumoForm->Memo->SetText("first line\r\nsecond line");
    LumoForm->Memo->setFocus();
    QTextCursor cursor = LumoForm->Memo->textCursor();
    cursor.setPosition(3);
    LumoForm->Memo->setTextCursor(cursor);
    QTest::keyClick(LumoForm->Memo, Qt::Key_A, modifiers);
    if (selects)
        QCOMPARE(LumoForm->Memo->textCursor().selectedText(),
                 QStringLiteral("first line") + QChar::ParagraphSeparator + QStringLiteral("second line"));
    else
        QVERIFY(!LumoForm->Memo->textCursor().hasSelection());
}

void tst_LumoForm::keyDownLooksOnlyAtCtrl()
{
    // What the text area then does with the key is its own affair (Qt takes
    // Ctrl+Alt as AltGr and types), so the window's handler is asked alone.
    LumoForm->Memo->SetText("first\r\nsecond");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier);
    LumoForm->FormKeyDown(&press);
    QCOMPARE(LumoForm->Memo->textCursor().selectedText(), QStringLiteral("first") + QChar::ParagraphSeparator + QStringLiteral("second"));

    LumoForm->Memo->moveCursor(QTextCursor::Start);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
    LumoForm->FormKeyDown(&other);
    QVERIFY(!LumoForm->Memo->textCursor().hasSelection());
}

void tst_LumoForm::activationShowsBackgroundAndFontColour()
{
    BGColor = 0x0000FFFF;
    SetupFont->SetColor(0x000000FF);
    LumoForm->FormActivate();
    QCOMPARE(LumoForm->Memo->Color(), Colour(0x0000FFFF));
    QCOMPARE(LumoForm->MemoFont()->Color(), Colour(0x000000FF));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Base), QColor(255, 255, 0));
    QCOMPARE(LumoForm->Memo->palette().color(QPalette::Text), QColor(255, 0, 0));

    // With a font of its own, the text area takes only the colour.
    auto chosen = std::make_shared<FontObject>(*SetupFont);
    SetupFont = chosen;
    LumoForm->SetMemoFont(*chosen);
    chosen->SetColor(0x00FF0000);
    chosen->SetSize(30);
    LumoForm->FormActivate();
    QCOMPARE(LumoForm->MemoFont()->Color(), Colour(0x00FF0000));
    QCOMPARE(LumoForm->MemoFont()->Size(), 8);
}

void tst_LumoForm::contextMenuIsPopMenu()
{
    QCOMPARE(LumoForm->Memo->contextMenuPolicy(), Qt::CustomContextMenu);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), LumoForm->Memo->viewport()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(LumoForm->Memo->viewport(), &event);
    QTRY_VERIFY(LumoForm->PopMenu->isVisible());
    LumoForm->PopMenu->close();
}

void tst_LumoForm::quitEndsTheProgram()
{
    // The event loop ends although the picture window is still open.
    LumoImageForm->ShowForm();
    QTimer::singleShot(0, LumoForm, [] { LumoForm->QuitClick(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!LumoForm->isVisible());
}

void tst_LumoForm::loadMissingFileShowsMessage()
{
    LumoForm->Memo->SetText("kept");
    dialogs().openAnswers.push_back(QStringLiteral("nowhere.txt"));
    LumoForm->LoadFileClick();
    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors[0].text, CannotOpenMessage("nowhere.txt"));
    QCOMPARE(LumoForm->MemoText(), QByteArray("kept"));
    // The program file's name up to its first ".", all but the first
    // character in lower case.
    QCOMPARE(dialogs().errors[0].title, QStringLiteral("tst_lumoform"));
    QCOMPARE(dialogs().errors[0].title, ProgramTitle());
}

void tst_LumoForm::pictureBeyondMemoryShowsTheProgramsMessage()
{
    // 1610612736 pt: the first picture would be over 1.6 billion pixels wide.
    SetupFont->SetSize(1610612736);
    LumoForm->ConvertOneClick();
    QCOMPARE(dialogs().errors.size(), qsizetype(1));
    QCOMPARE(dialogs().errors[0].text, QStringLiteral("out of memory."));
    QCOMPARE(dialogs().errors[0].title, ProgramTitle());
}

QTEST_MAIN(tst_LumoForm)
#include "tst_lumoform.moc"
