#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "LumoSaveLoad.h"
#include "LumoSetup.h"
#include "PictureControl.h"
#include "RenderSettings.h"
#include "Startup.h"
#include "TestFiles.h"
#include "WindowInteraction.h"
#include "WindowTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QtTest>
#include <memory>

namespace {

QColor roleColour(const QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role);
}

// The custom-colour file as written for these slots, one line per slot.
QByteArray colourLines(const CustomColourSlots &colours)
{
    QByteArray lines;
    for (std::size_t slot = 0; slot < colours.size(); ++slot) {
        lines += QByteArray("Color") + char('A' + slot) + '='
            + QByteArray::number(static_cast<quint32>(colours[slot]), 16).toUpper().rightJustified(6, '0') + "\r\n";
    }
    return lines;
}

CustomColourSlots emptySlots()
{
    CustomColourSlots colours;
    colours.fill(-1);
    return colours;
}

} // namespace

class tst_LumoSetupForm : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void editorCommandsStayWithThisWindow();
    void init();
    void cleanup();

    void windowLayout();
    void componentGeometry_data();
    void componentGeometry();
    void trackBarRanges_data();
    void trackBarRanges();
    void menuItems();
    void fontDescription_data();
    void fontDescription();

    void activationShowsSettings();
    void activationOnFocus();
    void trackBarsWriteAtOnce();
    void activationClamps_data();
    void activationClamps();

    void fontAccepted();
    void fontCancelled();
    void fontCancelledAfterAccept();
    void labelClickAsksForFont();

    void backgroundColour();
    void fontColourBeforeFontChosen();
    void fontColourAfterFontChosen();
    void colourCancelled_data();
    void colourCancelled();
    void colourFileNotHex_data();
    void colourFileNotHex();
    void colourFileUnwritable();
    void unreadableSettingsSkipCustomColours();

    void convertIsEditorConvert();
    void saveWindowPositions();
    void proposesSetupName();
    void closeHides();
    void contextMenuIsEditorMenu();
};

void tst_LumoSetupForm::editorCommandsStayWithThisWindow()
{
    // The editor's menu is this window's context menu too: a command chosen
    // here shows its dialog over this window, not over the editor.
    LumoForm->show();
    LumoSetupForm->show();
    QVERIFY(ActivateWindow(LumoSetupForm));
    QCOMPARE(LumoSetupForm->contextMenuPolicy(), Qt::CustomContextMenu);
    LumoForm->PopMenu->actions().at(0)->trigger(); // "load text", cancelled
    QCOMPARE(dialogs().openParents, QList<QWidget *>{LumoSetupForm});
    QCOMPARE(QApplication::activeWindow(), LumoSetupForm);
    LumoForm->hide();
    LumoSetupForm->hide();
}

void tst_LumoSetupForm::init()
{
    QVERIFY(StartCase());
    CreateLumoWindows(dialogs());
    QVERIFY(LumoSetupForm);
}

void tst_LumoSetupForm::cleanup()
{
    EndCase();
    QTRY_COMPARE(VisibleWindows(), QString());
}

void tst_LumoSetupForm::windowLayout()
{
    TLumoSetupForm *form = LumoSetupForm;
    QCOMPARE(form->windowTitle(), QStringLiteral("Fenster Einstellungen"));
    QVERIFY(!form->isVisible());
    QCOMPARE(form->pos(), QPoint(150, 250));

    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(form->centralWidget(), form->Panel);
    QCOMPARE(form->Panel->size(), QSize(545, 313));
    const QSize expected(545, 313 + form->menuBar()->height());
    QCOMPARE(form->size(), expected);
    QCOMPARE(form->minimumSize(), expected);
    QCOMPARE(form->maximumSize(), expected);

    QCOMPARE(form->LabFont->toolTip(), QStringLiteral("click to change Font"));
    QCOMPARE(form->LabFont->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    QVERIFY(!form->LabFont->wordWrap());
    QVERIFY(form->LabFont->autoFillBackground());
    form->hide();
}

void tst_LumoSetupForm::componentGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("LabFont spans the panel but a pixel each side") << "LabFont" << QRect(1, 12, 543, 60) << QString();
    QTest::newRow("LabHorizonal") << "LabHorizonal" << QRect(96, 96, 42, 13) << "horizonal";
    QTest::newRow("LabVertikal") << "LabVertikal" << QRect(328, 96, 34, 13) << "vertikal";
    QTest::newRow("TrBarX") << "TrBarX" << QRect(88, 112, 150, 45) << QString();
    QTest::newRow("TrBarY") << "TrBarY" << QRect(320, 112, 150, 45) << QString();
    QTest::newRow("LabRauschen") << "LabRauschen" << QRect(104, 168, 49, 13) << "Rauschen";
    QTest::newRow("TrackBarRausch") << "TrackBarRausch" << QRect(32, 184, 473, 45) << QString();
    QTest::newRow("BtnHintergrund") << "BtnHintergrund" << QRect(32, 248, 153, 25) << "Hintergrundfarbe";
    QTest::newRow("BtnFontColor") << "BtnFontColor" << QRect(192, 248, 153, 25) << "Fontfarbe";
    QTest::newRow("BtnConvert") << "BtnConvert" << QRect(352, 248, 153, 25) << "Convert";
}

void tst_LumoSetupForm::componentGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    auto *widget = LumoSetupForm->Panel->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(widget, qPrintable(name));
    auto *label = qobject_cast<QLabel *>(widget);
    if (label && !text.isEmpty()) {
        // Caption labels keep their place and grow to show their whole text.
        QCOMPARE(label->text(), text);
        QCOMPARE(widget->pos(), geometry.topLeft());
        QVERIFY(widget->width() >= geometry.width() && widget->height() >= geometry.height());
        QVERIFY(widget->width() >= label->sizeHint().width());
    } else {
        QCOMPARE(widget->geometry(), geometry);
    }
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
}

void tst_LumoSetupForm::trackBarRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maximum");

    QTest::newRow("TrBarX 0..10") << "TrBarX" << 10;
    QTest::newRow("TrBarY 0..10") << "TrBarY" << 10;
    QTest::newRow("TrackBarRausch 0..30") << "TrackBarRausch" << 30;
}

void tst_LumoSetupForm::trackBarRanges()
{
    QFETCH(QString, name);
    QFETCH(int, maximum);

    auto *bar = LumoSetupForm->Panel->findChild<QSlider *>(name);
    QVERIFY(bar);
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), 2);
    QCOMPARE(bar->tickInterval(), 1);
    QVERIFY(bar->tickPosition() != QSlider::NoTicks);
    QCOMPARE(bar->value(), 0);
}

void tst_LumoSetupForm::menuItems()
{
    const QList<QAction *> menus = LumoSetupForm->menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QStringLiteral("Datei"));
    QCOMPARE(menus.first()->menu(), LumoSetupForm->DateiMenu);

    QCOMPARE(Captions(LumoSetupForm->DateiMenu),
             QStringList({"save window positions", "save load delete", "change Font", "color background", "color font",
                          "convert", "close"}));
}

void tst_LumoSetupForm::fontDescription_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("description");

    QTest::newRow("no style ends in a blank") << "Arial" << 8 << 0 << "Arial 8 ";
    QTest::newRow("bold italic ends in a blank") << "Arial" << 12 << (FontObject::fsBold | FontObject::fsItalic)
                                                 << "Arial 12 bold italic ";
    QTest::newRow("strikeout alone has no blank after it") << "Courier New" << 10 << int(FontObject::fsStrikeOut)
                                                           << "Courier New 10 strikeout";
    QTest::newRow("all four styles") << "Tahoma" << 9 << 15 << "Tahoma 9 bold italic underline strikeout";
    QTest::newRow("underline") << "Arial" << 20 << int(FontObject::fsUnderline) << "Arial 20 underline ";
}

void tst_LumoSetupForm::fontDescription()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(QString, description);

    FontObject font;
    font.SetName(name);
    font.SetSize(size);
    font.SetStyle(static_cast<std::uint8_t>(style));
    QCOMPARE(FontDescription(font), description);
}

void tst_LumoSetupForm::activationShowsSettings()
{
    BGColor = 0x00336699;
    SetupFont->SetName(QStringLiteral("Courier New"));
    SetupFont->SetSize(14);
    SetupFont->SetStyle(FontObject::fsBold);
    SetupFont->SetColor(0x000000FF);
    HoVar = 3;
    VeVar = 7;
    Rausch = 25;

    LumoSetupForm->FormActivate();

    QCOMPARE(LumoSetupForm->LabFont->text(), QStringLiteral("Courier New 14 bold "));
    QCOMPARE(LumoSetupForm->LabFont->font(), SetupFont->ToQFont());
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::Window), QColor(0x99, 0x66, 0x33));
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(LumoSetupForm->TrBarX->value(), 3);
    QCOMPARE(LumoSetupForm->TrBarY->value(), 7);
    QCOMPARE(LumoSetupForm->TrackBarRausch->value(), 25);
    QCOMPARE(HoVar, 3);
    QCOMPARE(VeVar, 7);
    QCOMPARE(Rausch, 25);
}

void tst_LumoSetupForm::activationOnFocus()
{
    QVERIFY(ActivateWindow(LumoForm));

    Rausch = 12;
    QVERIFY(ActivateWindow(LumoSetupForm));
    QCOMPARE(LumoSetupForm->TrackBarRausch->value(), 12);
    QCOMPARE(LumoSetupForm->LabFont->text(), FontDescription(*SetupFont));

    LumoSetupForm->hide();
    LumoForm->hide();
}

void tst_LumoSetupForm::trackBarsWriteAtOnce()
{
    LumoSetupForm->TrBarX->setValue(4);
    QCOMPARE(HoVar, 4);
    LumoSetupForm->TrBarY->setValue(7);
    QCOMPARE(VeVar, 7);
    LumoSetupForm->TrackBarRausch->setValue(30);
    QCOMPARE(Rausch, 30);

    // As the user moves them: one line step and one page step.
    LumoSetupForm->TrBarX->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(HoVar, 5);
    LumoSetupForm->TrBarY->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(VeVar, 5);
    QTest::keyClick(LumoSetupForm->TrackBarRausch, Qt::Key_Home);
    QCOMPARE(Rausch, 0);
}

void tst_LumoSetupForm::activationClamps_data()
{
    QTest::addColumn<int>("barBefore");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("barAfter");
    QTest::addColumn<int>("storedAfter");

    QTest::newRow("above the range is clamped and written back") << 0 << 15 << 10 << 10;
    QTest::newRow("bar already at the maximum keeps the stored value") << 10 << 15 << 10 << 15;
    QTest::newRow("below the range is clamped and written back") << 5 << -3 << 0 << 0;
    QTest::newRow("bar already at the minimum keeps the stored value") << 0 << -3 << 0 << -3;
    QTest::newRow("inside the range") << 2 << 9 << 9 << 9;
}

void tst_LumoSetupForm::activationClamps()
{
    QFETCH(int, barBefore);
    QFETCH(int, stored);
    QFETCH(int, barAfter);
    QFETCH(int, storedAfter);

    LumoSetupForm->TrBarX->setValue(barBefore);
    LumoSetupForm->TrBarY->setValue(barBefore);
    LumoSetupForm->TrackBarRausch->setValue(barBefore * 3);
    HoVar = stored;
    VeVar = stored;
    Rausch = stored * 3;

    LumoSetupForm->FormActivate();

    QCOMPARE(LumoSetupForm->TrBarX->value(), barAfter);
    QCOMPARE(HoVar, storedAfter);
    QCOMPARE(LumoSetupForm->TrBarY->value(), barAfter);
    QCOMPARE(VeVar, storedAfter);
    QCOMPARE(LumoSetupForm->TrackBarRausch->value(), barAfter * 3);
    QCOMPARE(Rausch, storedAfter * 3);
}

void tst_LumoSetupForm::fontAccepted()
{
    // Before a font is chosen the render font is the editor's own.
    QCOMPARE(SetupFont, LumoForm->MemoFont());
    SetupFont->SetColor(0x00008000);

    FontObject offered;
    dialogs().fontAnswers.push_back([&offered](FontObject &font) {
        offered = font;
        font.SetName(QStringLiteral("Courier New"));
        font.SetSize(14);
        font.SetStyle(FontObject::fsBold | FontObject::fsUnderline);
        font.SetColor(0x000000FF);
        return true;
    });
    const std::shared_ptr<FontObject> before = SetupFont;
    LumoSetupForm->LabFontClick();

    QCOMPARE(dialogs().fontAsked, 1);
    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(offered.SameAs(*before));

    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 14);
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsUnderline);
    QCOMPARE(SetupFont->Color(), 0x000000FF);
    QCOMPARE(LumoSetupForm->LabFont->text(), QStringLiteral("Courier New 14 bold underline "));
    QCOMPARE(LumoSetupForm->LabFont->font(), SetupFont->ToQFont());
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::WindowText), QColor(Qt::red));

    // The editor has a copy of the chosen font, in an object of its own.
    const std::shared_ptr<FontObject> memoFont = LumoForm->MemoFont();
    QVERIFY(memoFont != SetupFont);
    QVERIFY(memoFont->SameAs(*SetupFont));

    memoFont->SetSize(20);
    QCOMPARE(SetupFont->Size(), 14);
    SetupFont->SetColor(0x00FF0000);
    QCOMPARE(memoFont->Color(), 0x000000FF);
}

void tst_LumoSetupForm::fontCancelled()
{
    LumoSetupForm->FormActivate();
    const QString caption = LumoSetupForm->LabFont->text();
    const QFont labelFont = LumoSetupForm->LabFont->font();
    const std::shared_ptr<FontObject> before = SetupFont;
    const FontObject copy(*SetupFont);

    dialogs().fontAnswers.push_back([](FontObject &font) {
        font.SetName(QStringLiteral("Courier New"));
        font.SetSize(30);
        return false;
    });
    LumoSetupForm->LabFontClick();

    QCOMPARE(dialogs().fontAsked, 1);
    QCOMPARE(SetupFont, before);
    QCOMPARE(SetupFont, LumoForm->MemoFont());
    QVERIFY(SetupFont->SameAs(copy));
    QCOMPARE(LumoSetupForm->LabFont->text(), caption);
    QCOMPARE(LumoSetupForm->LabFont->font(), labelFont);

    // Still the editor's own object: a size change there is one of SetupFont.
    LumoForm->MemoFont()->SetSize(17);
    QCOMPARE(SetupFont->Size(), 17);
}

void tst_LumoSetupForm::fontCancelledAfterAccept()
{
    dialogs().fontAnswers.push_back([](FontObject &font) {
        font.SetName(QStringLiteral("Courier New"));
        font.SetSize(14);
        return true;
    });
    LumoSetupForm->LabFontClick();
    const std::shared_ptr<FontObject> chosen = SetupFont;

    dialogs().fontAnswers.push_back([](FontObject &font) {
        font.SetName(QStringLiteral("Tahoma"));
        font.SetSize(40);
        return false;
    });
    LumoSetupForm->LabFontClick();

    QCOMPARE(dialogs().fontAsked, 2);
    QCOMPARE(SetupFont, chosen);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 14);
    QCOMPARE(LumoSetupForm->LabFont->text(), QStringLiteral("Courier New 14 "));
    QCOMPARE(LumoForm->MemoFont()->Name(), QStringLiteral("Courier New"));

    // A second accepted font lands in the same object.
    dialogs().fontAnswers.push_back([](FontObject &font) {
        font.SetSize(9);
        return true;
    });
    LumoSetupForm->LabFontClick();
    QCOMPARE(SetupFont, chosen);
    QCOMPARE(SetupFont->Size(), 9);
    QCOMPARE(LumoForm->MemoFont()->Size(), 9);
}

void tst_LumoSetupForm::labelClickAsksForFont()
{
    LumoSetupForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoSetupForm));
    QTest::mouseClick(LumoSetupForm->LabFont, Qt::LeftButton);
    QCOMPARE(dialogs().fontAsked, 1);
    QTest::mouseClick(LumoSetupForm->LabFont, Qt::RightButton);
    QCOMPARE(dialogs().fontAsked, 1);
    LumoSetupForm->changeFont1->trigger();
    QCOMPARE(dialogs().fontAsked, 2);
    LumoSetupForm->hide();
}

void tst_LumoSetupForm::backgroundColour()
{
    BGColor = 0x00FFFFFF;
    dialogs().colourAnswers.push_back([](Colour initial, std::array<Colour, 16> &custom) -> std::optional<Colour> {
        if (initial != 0x00FFFFFF)
            return std::nullopt;
        custom[0] = 0x00123456;
        custom[15] = 0x000000FF;
        return 0x0000FF00;
    });
    LumoSetupForm->BtnHintergrund->click();

    QCOMPARE(dialogs().colourAsked, 1);
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(dialogs().customColoursSeen.first(), emptySlots());
    QCOMPARE(BGColor, 0x0000FF00);
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::Window), QColor(Qt::green));
    QCOMPARE(LumoForm->Memo->Color(), 0x0000FF00);

    CustomColourSlots expected = emptySlots();
    expected[0] = 0x00123456;
    expected[15] = 0x000000FF;
    QCOMPARE(ReadBytes("Menuefarben.txt"), colourLines(expected));
    QCOMPARE(ReadBytes("Menuefarben.txt").left(32), QByteArray("ColorA=123456\r\nColorB=FFFFFFFF\r\n"));
    QVERIFY(ReadBytes("Menuefarben.txt").endsWith("ColorP=0000FF\r\n"));

    // The next colour dialog starts from the colours kept.
    dialogs().colourAnswers.push_back([](Colour, std::array<Colour, 16> &) { return std::optional<Colour>(); });
    LumoSetupForm->colorbackground1->trigger();
    QCOMPARE(dialogs().colourAsked, 2);
    QCOMPARE(dialogs().customColoursSeen.last(), expected);
}

void tst_LumoSetupForm::fontColourBeforeFontChosen()
{
    SetupFont->SetColor(0x00000000);
    dialogs().colourAnswers.push_back([](Colour initial, std::array<Colour, 16> &custom) -> std::optional<Colour> {
        custom[3] = initial;
        return 0x00FF0000;
    });
    LumoSetupForm->BtnFontColor->click();

    QCOMPARE(dialogs().colourAsked, 1);
    QCOMPARE(SetupFont->Color(), 0x00FF0000);
    QCOMPARE(LumoForm->MemoFont(), SetupFont);
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::WindowText), QColor(Qt::blue));

    CustomColourSlots expected = emptySlots();
    expected[3] = 0x00000000;
    QCOMPARE(ReadBytes("Menuefarben.txt"), colourLines(expected));
    QVERIFY(ReadBytes("Menuefarben.txt").contains("\r\nColorD=000000\r\n"));
}

void tst_LumoSetupForm::fontColourAfterFontChosen()
{
    dialogs().fontAnswers.push_back([](FontObject &font) {
        font.SetColor(0x00000000);
        return true;
    });
    LumoSetupForm->LabFontClick();
    QVERIFY(LumoForm->MemoFont() != SetupFont);

    dialogs().colourAnswers.push_back([](Colour initial, std::array<Colour, 16> &) -> std::optional<Colour> {
        return initial == 0 ? 0x00FF00FF : 0x00000001;
    });
    LumoSetupForm->colorfont1->trigger();

    QCOMPARE(SetupFont->Color(), 0x00FF00FF);
    QCOMPARE(LumoForm->MemoFont()->Color(), 0x00FF00FF);
    QCOMPARE(roleColour(LumoSetupForm->LabFont, QPalette::WindowText), QColor(Qt::magenta));
    QCOMPARE(ReadBytes("Menuefarben.txt"), colourLines(emptySlots()));
}

void tst_LumoSetupForm::colourCancelled_data()
{
    QTest::addColumn<bool>("background");
    QTest::newRow("background") << true;
    QTest::newRow("font colour") << false;
}

void tst_LumoSetupForm::colourCancelled()
{
    QFETCH(bool, background);

    BGColor = 0x00445566;
    SetupFont->SetColor(0x00112233);
    LumoSetupForm->FormActivate();
    LumoForm->FormActivate();
    const QPalette labelPalette = LumoSetupForm->LabFont->palette();
    const Colour memoBackground = LumoForm->Memo->Color();

    dialogs().colourAnswers.push_back([](Colour, std::array<Colour, 16> &custom) -> std::optional<Colour> {
        custom.fill(0x00999999);
        return std::nullopt;
    });
    if (background)
        LumoSetupForm->BtnHintergrundClick();
    else
        LumoSetupForm->BtnFontColorClick();

    QCOMPARE(dialogs().colourAsked, 1);
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(BGColor, 0x00445566);
    QCOMPARE(SetupFont->Color(), 0x00112233);
    QCOMPARE(LumoSetupForm->LabFont->palette(), labelPalette);
    QCOMPARE(LumoForm->Memo->Color(), memoBackground);
    QVERIFY(!QFile::exists("Menuefarben.txt"));

    // The slots the cancelled dialog changed are not kept either.
    LumoSetupForm->BtnHintergrundClick();
    QCOMPARE(dialogs().customColoursSeen.last(), emptySlots());
}

void tst_LumoSetupForm::colourFileNotHex_data()
{
    QTest::addColumn<bool>("background");
    QTest::newRow("background") << true;
    QTest::newRow("font colour") << false;
}

void tst_LumoSetupForm::colourFileNotHex()
{
    QFETCH(bool, background);

    const QByteArray lines = "ColorA=00FF00\r\nColorB=12G4\r\n";
    QVERIFY(WriteBytes("Menuefarben.txt", lines));
    Restart();
    BGColor = 0x00445566;
    SetupFont->SetColor(0x00112233);
    dialogs().colourAnswers.push_back([](Colour, std::array<Colour, 16> &) { return std::optional<Colour>(0); });

    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (background)
            LumoSetupForm->BtnHintergrundClick();
        else
            LumoSetupForm->BtnFontColorClick();
        QCOMPARE(dialogs().errors.size(), attempt);
        QCOMPARE(dialogs().errors.last().title, ProgramTitle());
        QCOMPARE(dialogs().errors.last().text, QStringLiteral("'$12G4' ist kein g\u00fcltiger Integerwert."));
    }
    QCOMPARE(dialogs().colourAsked, 0);
    QCOMPARE(BGColor, 0x00445566);
    QCOMPARE(SetupFont->Color(), 0x00112233);
    QCOMPARE(ReadBytes("Menuefarben.txt"), lines);
}

void tst_LumoSetupForm::colourFileUnwritable()
{
    // A folder in the way of the file: reading it at creation fails quietly,
    // writing it fails loudly, and the colour chosen stays in effect.
    QVERIFY(QDir().mkdir("Menuefarben.txt"));
    Restart();
    QVERIFY(dialogs().errors.isEmpty());

    dialogs().colourAnswers.push_back(
        [](Colour, std::array<Colour, 16> &) { return std::optional<Colour>(0x00010203); });
    LumoSetupForm->BtnHintergrundClick();

    QCOMPARE(dialogs().colourAsked, 1);
    QCOMPARE(BGColor, 0x00010203);
    QCOMPARE(LumoForm->Memo->Color(), 0x00010203);
    QCOMPARE(dialogs().errors.size(), 1);
    const QString prefix = QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ")
                               .arg(QDir::current().absoluteFilePath("Menuefarben.txt"));
    QVERIFY2(dialogs().errors.first().text.startsWith(prefix), qPrintable(dialogs().errors.first().text));
}

void tst_LumoSetupForm::unreadableSettingsSkipCustomColours()
{
    QVERIFY(WriteBytes("Menuefarben.txt", "ColorA=123456\r\n"));
    QVERIFY(QDir().mkdir("LumoSetup.ini"));
    Restart();

    // The creation stopped at the position, before the custom colours.
    QCOMPARE(LumoSetupForm->pos(), QPoint(252, 337));
    QCOMPARE(LumoSetupForm->windowTitle(), QStringLiteral("Fenster Einstellungen"));
    QVERIFY(!dialogs().errors.isEmpty());
    dialogs().errors.clear();

    // The handlers were connected before the read.
    LumoSetupForm->TrBarY->setValue(6);
    QCOMPARE(VeVar, 6);
    LumoSetupForm->BtnHintergrund->click();
    QCOMPARE(dialogs().colourAsked, 1);
    QCOMPARE(dialogs().customColoursSeen.first(), emptySlots());
    QVERIFY(dialogs().errors.isEmpty());
    QVERIFY(QDir().rmdir("LumoSetup.ini"));
}

void tst_LumoSetupForm::convertIsEditorConvert()
{
    LumoForm->Memo->setPlainText(QStringLiteral("Hallo Welt"));
    LumoForm->MemoFont()->SetSize(10);
    QVERIFY(!LumoImageForm->isVisible());

    LumoSetupForm->BtnConvert->click();

    QVERIFY(dialogs().errors.isEmpty());
    QTRY_VERIFY(LumoImageForm->isVisible());
    QCOMPARE(ImageList.size(), std::size_t(1));
    QCOMPARE(ImageList.front()->Width(), LumoForm->Memo->width() + 10);
    QCOMPARE(ImageList.front()->Height(), LumoForm->Memo->height());
    LumoImageForm->hide();

    LumoSetupForm->convert1->trigger();
    QTRY_VERIFY(LumoImageForm->isVisible());
    LumoImageForm->hide();
}

void tst_LumoSetupForm::saveWindowPositions()
{
    LumoForm->move(40, 60);
    LumoForm->resize(420, 480);
    LumoImageForm->move(500, 70);
    LumoImageForm->resize(310, 290);
    LumoSetupForm->move(120, 340);
    BGColor = 0x00FFFF00;
    SetupFont->SetName(QStringLiteral("Courier New"));
    SetupFont->SetSize(12);
    SetupFont->SetColor(0x000000FF);
    SetupFont->SetStyle(FontObject::fsBold | FontObject::fsItalic);
    SetupFont->SetPitch(FontObject::fpFixed);
    SetupFont->SetCharset(0);
    LumoSetupForm->TrBarX->setValue(2);
    LumoSetupForm->TrBarY->setValue(7);
    LumoSetupForm->TrackBarRausch->setValue(11);

    LumoSetupForm->saveSetupAs->trigger();

    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(ReadBytes("LumoSetup.ini"),
             QByteArray("[__SetupProgamPositions__]\r\n"
                        "WinEditLeft=40\r\nWinEditTop=60\r\nWinEditWidth=420\r\nWinEditHeight=480\r\n"
                        "WinImageLeft=500\r\nWinImageTop=70\r\nWinImageWidth=310\r\nWinImageHeight=290\r\n"
                        "WinSetupLeft=120\r\nWinSetupTop=340\r\n"
                        "\r\n"
                        "[__StandardSetup__]\r\n"
                        "BGColor=00FFFF00\r\nFTName=Courier New\r\nFTSize=12\r\nFTColor=000000FF\r\n"
                        "FTPitch=2\r\nFTStyle=BI\r\nFTCSet=0\r\nHoVar=2\r\nVeVar=7\r\nRausch=11\r\n"
                        "\r\n"));

    Restart();
    QVERIFY(dialogs().errors.isEmpty());
    QCOMPARE(LumoForm->pos(), QPoint(40, 60));
    QCOMPARE(LumoForm->size(), QSize(420, 480));
    QCOMPARE(LumoImageForm->pos(), QPoint(500, 70));
    QCOMPARE(LumoImageForm->size(), QSize(310, 290));
    QCOMPARE(LumoSetupForm->pos(), QPoint(120, 340));
    QCOMPARE(BGColor, 0x00FFFF00);
    QCOMPARE(SetupFont->Name(), QStringLiteral("Courier New"));
    QCOMPARE(SetupFont->Size(), 12);
    QCOMPARE(SetupFont->Color(), 0x000000FF);
    QCOMPARE(SetupFont->Style(), FontObject::fsBold | FontObject::fsItalic);
    QCOMPARE(SetupFont->Pitch(), FontObject::fpFixed);
    QCOMPARE(HoVar, 2);
    QCOMPARE(VeVar, 7);
    QCOMPARE(Rausch, 11);

    // Saving again rewrites the keys in place.
    LumoSetupForm->move(130, 345);
    LumoSetupForm->SaveProgSetupClick();
    const QByteArray again = ReadBytes("LumoSetup.ini");
    QVERIFY(again.contains("WinSetupLeft=130\r\nWinSetupTop=345\r\n\r\n[__StandardSetup__]\r\n"));
    QCOMPARE(again.count("[__SetupProgamPositions__]"), 1);
}

void tst_LumoSetupForm::proposesSetupName()
{
    TLumoSaveLoadForm *manager = LumoSaveLoadForm;
    QVERIFY(WriteBytes("LumoSetup.ini",
                       "[Alt]\r\nHoVar=1\r\n\r\n[__SetupProgamPositions__]\r\nWinEditLeft=50\r\n\r\n"));
    manager->FormActivate();
    manager->ComboBox->setCurrentIndex(1);
    // Deleting the chosen position section leaves no entry chosen and the
    // buttons disabled, so any change taken for the user's would enable them.
    manager->BtnDeleteClick();
    QCOMPARE(manager->ComboBox->currentIndex(), -1);
    QVERIFY(!manager->BtnSave->isEnabled());

    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(8);
    SetupFont->SetStyle(0);
    LumoSetupForm->SaveLoadDelete->trigger();

    QTRY_VERIFY(manager->isVisible());
    QCOMPARE(manager->ComboBox->currentText(), QStringLiteral("Arial 8 "));
    // A proposed name is no change of the user's.
    QVERIFY(!manager->BtnSave->isEnabled());
    QVERIFY(!manager->BtnLoad->isEnabled());
    QVERIFY(dialogs().errors.isEmpty());
    manager->hide();
}

void tst_LumoSetupForm::closeHides()
{
    LumoSetupForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoSetupForm));
    LumoSetupForm->close1->trigger();
    QVERIFY(!LumoSetupForm->isVisible());
    LumoSetupForm->show();
    LumoSetupForm->CloseClick();
    QVERIFY(!LumoSetupForm->isVisible());
}

void tst_LumoSetupForm::contextMenuIsEditorMenu()
{
    LumoSetupForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(LumoSetupForm));
    QWidget *target = LumoSetupForm->LabRauschen;
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(target, &event);
    QTRY_VERIFY(LumoForm->PopMenu->isVisible());
    LumoForm->PopMenu->hide();
    LumoSetupForm->hide();
}

QTEST_MAIN(tst_LumoSetupForm)
#include "tst_lumosetupform.moc"
