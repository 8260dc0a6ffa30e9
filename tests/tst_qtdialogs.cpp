#include "LumoFontDialog.h"
#include "QtDialogs.h"
#include "QtTranslations.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontComboBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The dialogs run their own event loop inside exec(), so a test answers them
// from timers: once the modal dialog of the expected type is shown, the
// action runs on it. A second timer watches over it: from the deadline on it
// closes whatever modal widget is open, one per tick, so a test that meets an
// unexpected dialog (also one opened from inside the action) fails instead of
// hanging. It has to be a timer of its own because Qt does not fire a timer
// again while its previous timeout is still running. Both timers end with the
// object, so an answer never outlives its test.
template <typename Dialog>
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(Dialog *)> action)
        : m_action(std::move(action))
    {
        m_clock.start();
        QObject::connect(&m_actor, &QTimer::timeout, &m_actor, [this] { tryToAct(); });
        QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] { watch(); });
        m_actor.start(10);
        m_watchdog.start(100);
    }

    // True once the action ran on a dialog that was on screen.
    bool Acted() const { return m_acted && m_exposed; }

private:
    void tryToAct()
    {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        m_actor.stop();
        m_acted = true;
        // Laid out and on screen, so that clicks land where the user's would.
        m_exposed = QTest::qWaitForWindowExposed(dialog);
        m_action(dialog);
    }

    void watch()
    {
        if (!m_clock.hasExpired(10000))
            return;
        m_actor.stop();
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
        else
            m_watchdog.stop();
    }

    std::function<void(Dialog *)> m_action;
    QTimer m_actor;
    QTimer m_watchdog;
    QElapsedTimer m_clock;
    bool m_acted = false;
    bool m_exposed = false;
};

// Pressed with the space bar: a key press does not depend on where the layout
// has put the button yet.
void press(QAbstractButton *button)
{
    if (button)
        QTest::keyClick(button, Qt::Key_Space);
}

void clickButton(QDialogButtonBox *buttons, QDialogButtonBox::StandardButton which)
{
    if (buttons)
        press(buttons->button(which));
}

QPushButton *buttonWithText(QWidget *parent, const QString &text)
{
    const auto buttons = parent->findChildren<QPushButton *>();
    const auto found = std::find_if(buttons.cbegin(), buttons.cend(), [&text](const QPushButton *button) {
        return button->text().remove(QLatin1Char('&')) == text;
    });
    return found == buttons.cend() ? nullptr : *found;
}

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

FontObject arial8()
{
    FontObject font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(8);
    font.SetColor(clBlack);
    font.SetPitch(FontObject::fpFixed);
    font.SetStyle(FontObject::fsUnderline);
    font.SetCharset(0);
    return font;
}

struct FontFields
{
    QString name;
    std::int32_t height;
    Colour color;
    std::uint8_t pitch;
    std::uint8_t style;
    std::uint8_t charset;

    explicit FontFields(const FontObject &font)
        : name(font.Name()), height(font.Height()), color(font.Color()), pitch(font.Pitch()),
          style(font.Style()), charset(font.Charset())
    {
    }
    bool operator==(const FontFields &) const = default;
};

std::array<Colour, 16> emptySlots()
{
    std::array<Colour, 16> custom;
    custom.fill(-1);
    return custom;
}

} // namespace

namespace QTest {
template <>
char *toString(const FontFields &font)
{
    return qstrdup(QStringLiteral("%1 height %2 colour %3 pitch %4 style %5 charset %6")
                       .arg(font.name)
                       .arg(font.height)
                       .arg(static_cast<quint32>(font.color), 8, 16, QLatin1Char('0'))
                       .arg(font.pitch)
                       .arg(font.style)
                       .arg(font.charset)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class tst_QtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openDialogAcceptsNameOfNewFile();
    void openDialogShowsTitleAndReturnsExistingFile();
    void openDialogCancelled();
    void saveDialogReplacesWithoutAsking();
    void saveDialogCancelled();

    void fontDialogWritesChoiceIntoFont();
    void fontDialogCancelChangesNothing();
    void fontDialogUntouchedKeepsEveryField();
    void fontDialogRefusesSizeThatIsNoNumber();

    void colourDialogReturnsColourAndCustomColours();
    void colourDialogCancelKeepsCustomColours();

    void errorBoxHasStopIconAndOneButton();

    void germanLocaleGivesGermanButtons();

    void shortWorkShowsNoProgress();
    void longWorkShowsProgressAndCancels();
    void workErrorReachesTheCaller();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    QtDialogs m_dialogs;
};

void tst_QtDialogs::initTestCase()
{
    // Qt remembers the colour dialog's custom colours in its own settings;
    // keep the tests out of the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void tst_QtDialogs::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
    // The file dialogs open in the folder that the last one visited, which
    // would be the previous test's; names typed below are relative to this
    // test's folder.
    QFileDialog(nullptr, QString(), m_dir->path()).setDirectory(m_dir->path());
}

void tst_QtDialogs::cleanup()
{
    QTRY_VERIFY(std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                             [](const QWidget *w) { return w->isVisible(); }));
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
}

void tst_QtDialogs::openDialogAcceptsNameOfNewFile()
{
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptSave;
    bool native = true;
    bool typed = false;
    ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
        mode = dialog->fileMode();
        acceptMode = dialog->acceptMode();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
            typeInto(edit, QStringLiteral("not there yet.txt"));
            typed = true;
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });

    const std::optional<QString> name = m_dialogs.OpenFileName(nullptr, QStringLiteral("Datei speichern"));

    QVERIFY(answer.Acted());
    QVERIFY2(typed, "the dialog has no file name field");
    QCOMPARE(mode, QFileDialog::AnyFile);
    QCOMPARE(acceptMode, QFileDialog::AcceptOpen);
    QVERIFY(!native);
    QCOMPARE(name, std::optional(QDir::current().absoluteFilePath(QStringLiteral("not there yet.txt"))));
    QVERIFY(!QFile::exists(*name));
}

void tst_QtDialogs::openDialogShowsTitleAndReturnsExistingFile()
{
    QFile text(QStringLiteral("lore_ipsum.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();

    QString title;
    ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
            typeInto(edit, QStringLiteral("lore_ipsum.txt"));
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });

    const std::optional<QString> name = m_dialogs.OpenFileName(nullptr, QStringLiteral("Datei laden"));

    QVERIFY(answer.Acted());
    QCOMPARE(title, QStringLiteral("Datei laden"));
    QCOMPARE(name, std::optional(QDir::current().absoluteFilePath(QStringLiteral("lore_ipsum.txt"))));
}

void tst_QtDialogs::openDialogCancelled()
{
    ModalAnswer<QFileDialog> answer([](QFileDialog *dialog) {
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            typeInto(edit, QStringLiteral("typed but cancelled.txt"));
        dialog->reject();
    });

    const std::optional<QString> name = m_dialogs.OpenFileName(nullptr, QString());

    QVERIFY(answer.Acted());
    QCOMPARE(name, std::nullopt);
}

void tst_QtDialogs::saveDialogReplacesWithoutAsking()
{
    QFile existing(QStringLiteral("page.png"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString defaultSuffix = QStringLiteral("<not read>");
    ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
        acceptMode = dialog->acceptMode();
        defaultSuffix = dialog->defaultSuffix();
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
            typeInto(edit, QStringLiteral("page.png"));
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });

    // A question whether to replace the file would be a second modal dialog
    // that nobody answers; the helper would close it and the result be empty.
    const std::optional<QString> name = m_dialogs.SaveFileName(nullptr);

    QVERIFY(answer.Acted());
    QCOMPARE(acceptMode, QFileDialog::AcceptSave);
    QCOMPARE(defaultSuffix, QString());
    QCOMPARE(name, std::optional(QDir::current().absoluteFilePath(QStringLiteral("page.png"))));
}

void tst_QtDialogs::saveDialogCancelled()
{
    ModalAnswer<QFileDialog> answer([](QFileDialog *dialog) {
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            typeInto(edit, QStringLiteral("pictures"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });

    QCOMPARE(m_dialogs.SaveFileName(nullptr), std::nullopt);
    QVERIFY(answer.Acted());
}

void tst_QtDialogs::fontDialogWritesChoiceIntoFont()
{
    FontObject font = arial8();
    int samplePixelSize = 0;
    QRgb sampleColour = 0;
    ModalAnswer<LumoFontDialog> answer([&](LumoFontDialog *dialog) {
        typeInto(dialog->SizeBox->lineEdit(), QStringLiteral("12"));
        dialog->StyleBox->setCurrentIndex(dialog->StyleBox->findText(QStringLiteral("Bold")));
        press(dialog->UnderlineCheck);
        press(dialog->StrikeoutCheck);
        dialog->ColourBox->setCurrentIndex(dialog->ColourBox->findText(QStringLiteral("Navy")));
        samplePixelSize = dialog->SampleLabel->font().pixelSize();
        sampleColour = dialog->SampleLabel->palette().color(QPalette::WindowText).rgb();
        clickButton(dialog->Buttons, QDialogButtonBox::Ok);
    });

    const bool accepted = m_dialogs.ChooseFont(nullptr, font);

    QVERIFY(answer.Acted());
    QVERIFY(accepted);
    QCOMPARE(font.Name(), QStringLiteral("Arial"));
    QCOMPARE(font.Size(), 12);
    QCOMPARE(font.Style(), std::uint8_t(FontObject::fsBold | FontObject::fsStrikeOut));
    QCOMPARE(font.Color(), Colour(0x00800000));
    QCOMPARE(font.Pitch(), std::uint8_t(FontObject::fpFixed));
    QCOMPARE(font.Charset(), std::uint8_t(0));
    QCOMPARE(samplePixelSize, std::abs(font.Height()));
    QCOMPARE(sampleColour, qRgb(0, 0, 0x80));
}

void tst_QtDialogs::fontDialogCancelChangesNothing()
{
    FontObject font = arial8();
    const FontFields before(font);
    ModalAnswer<LumoFontDialog> answer([](LumoFontDialog *dialog) {
        typeInto(dialog->SizeBox->lineEdit(), QStringLiteral("20"));
        dialog->StyleBox->setCurrentIndex(dialog->StyleBox->findText(QStringLiteral("Bold Italic")));
        press(dialog->StrikeoutCheck);
        dialog->ColourBox->setCurrentIndex(dialog->ColourBox->findText(QStringLiteral("Red")));
        typeInto(dialog->FontNameBox->lineEdit(), QStringLiteral("Courier"));
        clickButton(dialog->Buttons, QDialogButtonBox::Cancel);
    });

    const bool accepted = m_dialogs.ChooseFont(nullptr, font);

    QVERIFY(answer.Acted());
    QVERIFY(!accepted);
    QCOMPARE(FontFields(font), before);
}

void tst_QtDialogs::fontDialogUntouchedKeepsEveryField()
{
    // A face that is not installed, a pixel height that no whole point size
    // gives back exactly, and a system colour: none may change when the user
    // confirms without touching anything.
    FontObject font;
    font.SetName(QStringLiteral("MS Sans Serif"));
    font.SetHeight(-14);
    font.SetColor(clWindowText);
    font.SetPitch(FontObject::fpVariable);
    font.SetStyle(FontObject::fsItalic | FontObject::fsUnderline);
    font.SetCharset(1);
    const FontFields before(font);

    QString colourShown;
    ModalAnswer<LumoFontDialog> answer([&](LumoFontDialog *dialog) {
        colourShown = dialog->ColourBox->currentText();
        clickButton(dialog->Buttons, QDialogButtonBox::Ok);
    });

    const bool accepted = m_dialogs.ChooseFont(nullptr, font);

    QVERIFY(answer.Acted());
    QVERIFY(accepted);
    QCOMPARE(FontFields(font), before);
    QCOMPARE(colourShown, QStringLiteral("System"));
}

void tst_QtDialogs::fontDialogRefusesSizeThatIsNoNumber()
{
    bool okEnabledWhenEmpty = true;
    bool okEnabledAgain = false;
    LumoFontDialog dialog;
    dialog.SetFont(arial8());
    QPushButton *ok = dialog.Buttons->button(QDialogButtonBox::Ok);
    dialog.SizeBox->lineEdit()->clear();
    okEnabledWhenEmpty = ok->isEnabled();
    QTest::keyClicks(dialog.SizeBox->lineEdit(), QStringLiteral("9"));
    okEnabledAgain = ok->isEnabled();

    QVERIFY(!okEnabledWhenEmpty);
    QVERIFY(okEnabledAgain);
    QCOMPARE(dialog.Font().Size(), 9);
}

void tst_QtDialogs::colourDialogReturnsColourAndCustomColours()
{
    std::array<Colour, 16> custom = emptySlots();
    custom[1] = 0x000000FF;
    custom[5] = 0x00123456;

    QColor initialShown;
    QColor slot1Shown;
    bool alphaShown = true;
    bool native = true;
    bool added = false;
    ModalAnswer<QColorDialog> answer([&](QColorDialog *dialog) {
        initialShown = dialog->currentColor();
        slot1Shown = QColorDialog::customColor(1);
        alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
        native = !dialog->testOption(QColorDialog::DontUseNativeDialog);
        dialog->setCurrentColor(QColor(0x20, 0x40, 0x60));
        if (QPushButton *add = buttonWithText(dialog, QStringLiteral("Add to Custom Colors"))) {
            press(add);
            added = true;
        }
        dialog->setCurrentColor(QColor(0x11, 0x22, 0x33));
        clickButton(dialog->findChild<QDialogButtonBox *>(), QDialogButtonBox::Ok);
    });

    const std::optional<Colour> chosen = m_dialogs.ChooseColour(nullptr, 0x0000FF00, custom);

    QVERIFY(answer.Acted());
    QCOMPARE(initialShown, QColor(0, 0xFF, 0));
    QCOMPARE(slot1Shown, QColor(0xFF, 0, 0));
    QVERIFY(!alphaShown);
    QVERIFY(!native);
    QVERIFY2(added, "the dialog has no button to add a custom colour");
    QCOMPARE(chosen, std::optional(Colour(0x00332211)));

    std::array<Colour, 16> expected = emptySlots();
    expected[0] = 0x00604020;
    expected[1] = 0x000000FF;
    expected[5] = 0x00123456;
    for (std::size_t i = 0; i < expected.size(); ++i)
        QCOMPARE(custom[i], expected[i]);
}

void tst_QtDialogs::colourDialogCancelKeepsCustomColours()
{
    std::array<Colour, 16> custom = emptySlots();
    custom[0] = 0x00ABCDEF;
    const std::array<Colour, 16> before = custom;

    ModalAnswer<QColorDialog> answer([](QColorDialog *dialog) {
        dialog->setCurrentColor(Qt::red);
        if (QPushButton *add = buttonWithText(dialog, QStringLiteral("Add to Custom Colors")))
            press(add);
        clickButton(dialog->findChild<QDialogButtonBox *>(), QDialogButtonBox::Cancel);
    });

    const std::optional<Colour> chosen = m_dialogs.ChooseColour(nullptr, clWhite, custom);

    QVERIFY(answer.Acted());
    QCOMPARE(chosen, std::nullopt);
    QVERIFY(custom == before);
}

void tst_QtDialogs::errorBoxHasStopIconAndOneButton()
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QList<QAbstractButton *>::size_type buttonCount = 0;
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    ModalAnswer<QMessageBox> answer([&](QMessageBox *box) {
        icon = box->icon();
        title = box->windowTitle();
        text = box->text();
        buttonCount = box->buttons().size();
        button = box->standardButton(box->buttons().value(0));
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            press(ok);
    });

    m_dialogs.ShowError(nullptr, QStringLiteral("Lumo"), QStringLiteral("Zwischenablage kann nicht ge\u00f6ffnet werden."));

    QVERIFY(answer.Acted());
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(title, QStringLiteral("Lumo"));
    QCOMPARE(text, QStringLiteral("Zwischenablage kann nicht ge\u00f6ffnet werden."));
    QCOMPARE(buttonCount, 1);
    QCOMPARE(button, QMessageBox::Ok);
}

void tst_QtDialogs::germanLocaleGivesGermanButtons()
{
    if (QLibraryInfo::path(QLibraryInfo::TranslationsPath).isEmpty()
        || !QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        QSKIP("Qt's German translation is not installed (Debian: qt6-translations-l10n)");
    QString accept;
    QString cancel;
    {
        const std::unique_ptr<QTranslator> german = InstallQtTranslations(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(german);
        ModalAnswer<QFileDialog> answer([&](QFileDialog *dialog) {
            auto *buttons = dialog->findChild<QDialogButtonBox *>();
            accept = buttons->button(QDialogButtonBox::Open)->text();
            cancel = buttons->button(QDialogButtonBox::Cancel)->text();
            dialog->reject();
        });
        QVERIFY(!m_dialogs.OpenFileName(nullptr, QString()));
        QVERIFY(answer.Acted());
    }
    QCOMPARE(accept, QStringLiteral("&\u00d6ffnen"));
    QCOMPARE(cancel, QStringLiteral("Abbrechen"));

    // Without the translator, Qt's own English again.
    ModalAnswer<QFileDialog> english([&](QFileDialog *dialog) {
        accept = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->text();
        dialog->reject();
    });
    m_dialogs.OpenFileName(nullptr, QString());
    QCOMPARE(accept, QStringLiteral("&Open"));
}

void tst_QtDialogs::shortWorkShowsNoProgress()
{
    WorkProgress progress;
    bool sawDialog = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] { sawDialog |= QApplication::activeModalWidget() != nullptr; });
    probe.start(5);
    m_dialogs.RunWithProgress(nullptr, QStringLiteral("convert"), progress, [&] {
        progress.total = 2;
        progress.done = 2;
    });
    QVERIFY(!sawDialog);
    QVERIFY(!progress.cancelled);
}

void tst_QtDialogs::longWorkShowsProgressAndCancels()
{
    WorkProgress progress;
    progress.total = 50;
    QString title;
    QString label;
    ModalAnswer<QProgressDialog> answer([&](QProgressDialog *dialog) {
        QTRY_VERIFY(dialog->labelText().contains(QStringLiteral(" of 50 pages")));
        title = dialog->windowTitle();
        label = dialog->labelText();
        const auto buttons = dialog->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 1);
        press(buttons.front());
    });
    QElapsedTimer clock;
    clock.start();
    // Pages are counted until the Cancel comes through, as a conversion would.
    m_dialogs.RunWithProgress(nullptr, QStringLiteral("save PNG"), progress, [&] {
        while (!progress.cancelled && !clock.hasExpired(20000)) {
            progress.done = std::min<qsizetype>(progress.done + 1, 49);
            QThread::msleep(20);
        }
    });
    QVERIFY(answer.Acted());
    QVERIFY(progress.cancelled);
    QVERIFY(clock.elapsed() >= 500);
    QCOMPARE(title, QStringLiteral("save PNG"));
    QVERIFY2(label.startsWith(QStringLiteral("save PNG: ")), qPrintable(label));
}

void tst_QtDialogs::workErrorReachesTheCaller()
{
    WorkProgress progress;
    QString caught;
    try {
        m_dialogs.RunWithProgress(nullptr, QStringLiteral("convert"), progress,
                                  [] { throw std::runtime_error("broken"); });
    } catch (const std::runtime_error &error) {
        caught = QString::fromLatin1(error.what());
    }
    QCOMPARE(caught, QStringLiteral("broken"));
}

QTEST_MAIN(tst_QtDialogs)
#include "tst_qtdialogs.moc"
