#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "RenderSettings.h"
#include "Startup.h"
#include "TestFiles.h"
#include "WindowInteraction.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

namespace {

QAction *menuAction(const QMenu *menu, const QString &caption)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == caption)
            return action;
    }
    return nullptr;
}

// A right-click at a point of the picture window's client area, delivered to
// the widget under it.
void rightClick(TLumoImageForm *form, const QPoint &clientPos)
{
    QWidget *target = form->viewport()->childAt(clientPos);
    QVERIFY(target);
    const QPoint pos = target->mapFrom(form->viewport(), clientPos);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &event);
}

QList<int> tops()
{
    QList<int> values;
    for (const PictureControl *picture : ImageList)
        values << picture->Top();
    return values;
}

} // namespace

class tst_LumoImageForm : public QObject, private WindowTestFixture<>
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void creation();
    void activationFitsFirstPageAndGivesMenus();
    void clientSizeIsTheViewport_data();
    void clientSizeIsTheViewport();
    void windowStaysOnTheScreen();
    void scrollingMovesThePictures();
    void conversionWhileScrolled();
    void wheelScrollsThirtyPixelsANotch_data();
    void wheelScrollsThirtyPixelsANotch();
    void rightClickOpensThatPicturesMenu();
    void pictureWithoutMenuOpensNothing();
    void copyPictureCopiesTheClickedPage();
    void convertFromFileRendersIntoClientSize();
    void convertFromFileInActiveWindowLeavesNewPagesWithoutMenu();
    void convertFromUnreadableFile();
    void saveCommands_data();
    void saveCommands();
    void saveSinglePictureWithoutNumber();
    void saveCancelledWritesNothing();
    void cancelledSaveKeepsAPrefixOfThePages_data();
    void cancelledSaveKeepsAPrefixOfThePages();
    void cancelledConversionShowsThePagesFinished();
    void closeOnlyHides();
    void paintsThePicturesWhereTheyAre();
    void hundredsOfPagesScrollToTheLast();

private:
    void convertInEditor(const QByteArray &text, int width = 300, int height = 400);
};

void tst_LumoImageForm::init()
{
    QVERIFY(StartCase());
    CreateLumoWindows(dialogs());
    LumoForm->show();
    QVERIFY(QTest::qWaitForWindowActive(LumoForm));
}

void tst_LumoImageForm::cleanup()
{
    EndCase();
    QTRY_COMPARE(VisibleWindows(), QString());
}

// Converts in the editor, whose text area then has exactly this size, and
// waits until the picture window has taken the focus.
void tst_LumoImageForm::convertInEditor(const QByteArray &text, int width, int height)
{
    LumoForm->resize(width, height);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(width, height));
    LumoForm->Memo->SetText(text);
    LumoForm->ConvertClick();
    QVERIFY(QTest::qWaitForWindowActive(LumoImageForm));
}

void tst_LumoImageForm::creation()
{
    QCOMPARE(LumoImageForm->windowTitle(), QStringLiteral("Bildfenster"));
    QVERIFY(!LumoImageForm->isVisible());
    QCOMPARE(LumoImageForm->pos(), QPoint(350, 50));
    QCOMPARE(LumoImageForm->size(), QSize(300, 400));
    QCOMPARE(ImageList.size(), std::size_t(1));
    QCOMPARE(ImageList[0], &LumoImageForm->Image());
    QCOMPARE(LumoImageForm->Image().Left(), 0);
    QCOMPARE(LumoImageForm->Image().Top(), 0);
    QCOMPARE(LumoImageForm->Image().PopupMenu(), LumoImageForm->PopMenu);
    QCOMPARE(Captions(LumoImageForm->PopMenu),
             QStringList({"convert from file", "copy picture", "save JPG", "save BMP", "save PNG", "close"}));
    QVERIFY(LumoImageForm->horizontalScrollBar()->hasTracking());
    QVERIFY(LumoImageForm->verticalScrollBar()->hasTracking());
}

void tst_LumoImageForm::activationFitsFirstPageAndGivesMenus()
{
    convertInEditor(ManyLines(80));
    QVERIFY(ImageList.size() >= 3);
    QCOMPARE(LumoImageForm->ClientSize(), QSize(308, 400));
    QCOMPARE(LumoImageForm->viewport()->size(), QSize(308, 400));
    // The other pages are reached by scrolling.
    QVERIFY(LumoImageForm->verticalScrollBar()->isVisible());
    QVERIFY(!LumoImageForm->horizontalScrollBar()->isVisible());
    for (const PictureControl *picture : ImageList)
        QCOMPARE(picture->PopupMenu(), LumoImageForm->PopMenu);
}

void tst_LumoImageForm::clientSizeIsTheViewport_data()
{
    QTest::addColumn<QSize>("client");
    QTest::newRow("smaller than the pages") << QSize(200, 150);
    QTest::newRow("as large as the first page") << QSize(308, 400);
    QTest::newRow("wider than the pages") << QSize(400, 300);
}

void tst_LumoImageForm::windowStaysOnTheScreen()
{
    convertInEditor(ManyLines(200));
    LumoImageForm->SetClientSize(308, 20000);
    const QRect screen = LumoImageForm->screen()->availableGeometry();
    QVERIFY(LumoImageForm->height() <= screen.height());
    QVERIFY(LumoImageForm->width() <= screen.width());
    QVERIFY(LumoImageForm->ClientSize().height() < 20000);
    QVERIFY(LumoImageForm->verticalScrollBar()->isVisible());
}

void tst_LumoImageForm::clientSizeIsTheViewport()
{
    QFETCH(QSize, client);
    convertInEditor(ManyLines(80));
    LumoImageForm->SetClientSize(client.width(), client.height());
    QCOMPARE(LumoImageForm->ClientSize(), client);
    QTRY_COMPARE(LumoImageForm->viewport()->size(), client);

    // Also while the window is hidden.
    LumoImageForm->hide();
    LumoImageForm->SetClientSize(client.width() - 10, client.height() - 20);
    QCOMPARE(LumoImageForm->ClientSize(), client - QSize(10, 20));
    LumoImageForm->show();
    QTRY_COMPARE(LumoImageForm->viewport()->size(), client - QSize(10, 20));
}

void tst_LumoImageForm::scrollingMovesThePictures()
{
    convertInEditor(ManyLines(80));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    // The pages follow below the first one.
    QTRY_COMPARE(bar->maximum(), int(ImageList.size()) * 400 - 400);
    QVERIFY(bar->maximum() >= 800);
    bar->setValue(500);
    QCOMPARE(tops().mid(0, 3), QList<int>({-500, -100, 300}));
    bar->setValue(0);
    QCOMPARE(tops().mid(0, 3), QList<int>({0, 400, 800}));
    QCOMPARE(LumoImageForm->PictureAt(QPoint(10, 10)), ImageList[0]);
    bar->setValue(410);
    QCOMPARE(LumoImageForm->PictureAt(QPoint(10, 10)), ImageList[1]);
}

void tst_LumoImageForm::conversionWhileScrolled()
{
    convertInEditor(ManyLines(80));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() >= 800);
    bar->setValue(100);
    QCOMPARE(LumoImageForm->Image().Top(), -100);

    // The new pages sit below the first one where it is now.
    LumoForm->ConvertClick();
    QVERIFY(ImageList.size() >= 3);
    QCOMPARE(ImageList[0]->Top(), -100);
    QCOMPARE(ImageList[1]->Top(), 300);
    QCOMPARE(ImageList[2]->Top(), 700);
    // The first page's fill covered its bounds rectangle only, so its bottom
    // 100 rows stay as the bitmap was created, white.
    BGColor = 0x00FFFF00;
    LumoForm->ConvertClick();
    const QImage first = ImageList[0]->Picture();
    QCOMPARE(QColor(first.pixel(150, 250)), QColor(0, 255, 255));
    QCOMPARE(QColor(first.pixel(150, 350)), QColor(Qt::white));
}

void tst_LumoImageForm::wheelScrollsThirtyPixelsANotch_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("plain") << Qt::KeyboardModifiers();
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier);
}

void tst_LumoImageForm::wheelScrollsThirtyPixelsANotch()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    convertInEditor(ManyLines(80));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() >= 800);
    QWidget *viewport = LumoImageForm->viewport();

    TurnWheel(viewport, -120, modifiers);
    QCOMPARE(bar->value(), 30);
    TurnWheel(viewport, -240, modifiers);
    QCOMPARE(bar->value(), 90);
    TurnWheel(viewport, 120, modifiers);
    QCOMPARE(bar->value(), 60);
    TurnWheel(bar, -120, modifiers);
    QCOMPARE(bar->value(), 90);
    QCOMPARE(LumoImageForm->Image().Top(), -90);
    // The scroll bar keeps the position in its range.
    for (int i = 0; i < 5; ++i)
        TurnWheel(viewport, 120, modifiers);
    QCOMPARE(bar->value(), 0);
    bar->setValue(bar->maximum() - 10);
    TurnWheel(viewport, -120, modifiers);
    QCOMPARE(bar->value(), bar->maximum());
}

void tst_LumoImageForm::rightClickOpensThatPicturesMenu()
{
    convertInEditor(ManyLines(80));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() >= 800);
    bar->setValue(400);
    rightClick(LumoImageForm, QPoint(20, 20));
    QTRY_VERIFY(LumoImageForm->PopMenu->isVisible());
    QCOMPARE(LumoImageForm->MenuPicture(), ImageList[1]);
    LumoImageForm->PopMenu->close();
}

void tst_LumoImageForm::pictureWithoutMenuOpensNothing()
{
    convertInEditor("short");
    ImageList[0]->SetPopupMenu(nullptr);
    rightClick(LumoImageForm, QPoint(20, 20));
    QTest::qWait(50);
    QVERIFY(!LumoImageForm->PopMenu->isVisible());
    QCOMPARE(LumoImageForm->MenuPicture(), nullptr);
}

void tst_LumoImageForm::copyPictureCopiesTheClickedPage()
{
    convertInEditor(ManyLines(80));
    QVERIFY(ImageList.size() >= 2);
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() >= 400);
    bar->setValue(400);
    rightClick(LumoImageForm, QPoint(20, 20));
    QTRY_VERIFY(LumoImageForm->PopMenu->isVisible());
    menuAction(LumoImageForm->PopMenu, "copy picture")->trigger();
    LumoImageForm->PopMenu->close();

    const QImage copied = QApplication::clipboard()->image();
    const QImage second = ImageList[1]->Picture();
    QCOMPARE(copied.size(), second.size());
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), second.convertToFormat(QImage::Format_RGB32));
    QVERIFY(copied.convertToFormat(QImage::Format_RGB32) != ImageList[0]->Picture().convertToFormat(QImage::Format_RGB32));
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoImageForm::convertFromFileRendersIntoClientSize()
{
    convertInEditor("first");
    QVERIFY(WriteBytes("text.txt", ManyLines(60)));
    LumoImageForm->SetClientSize(280, 360);
    dialogs().openAnswers.push_back(QStringLiteral("text.txt"));
    LumoImageForm->ConvertFileClick();

    QCOMPARE(dialogs().openTitles, QStringList({""}));
    QCOMPARE(LumoImageForm->Image().Width(), 280);
    QCOMPARE(LumoImageForm->Image().Height(), 360);
    QCOMPARE(LumoImageForm->Image().BitmapWidth(), 280);
    QVERIFY(ImageList.size() >= 2);
    for (std::size_t i = 0; i < ImageList.size(); ++i)
        QCOMPARE(ImageList[i]->Top(), int(i) * 360);
    QVERIFY(LumoImageForm->isVisible());
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoImageForm::convertFromFileInActiveWindowLeavesNewPagesWithoutMenu()
{
    convertInEditor("first");
    QVERIFY(WriteBytes("text.txt", ManyLines(60)));
    LumoImageForm->SetClientSize(280, 360);
    const QSize windowSize = LumoImageForm->size();
    dialogs().openAnswers.push_back(QStringLiteral("text.txt"));
    LumoImageForm->ConvertFileClick();
    QTest::qWait(50);
    QVERIFY(ImageList.size() >= 2);
    QCOMPARE(ImageList[0]->PopupMenu(), LumoImageForm->PopMenu);
    QCOMPARE(ImageList[1]->PopupMenu(), nullptr);
    QCOMPARE(LumoImageForm->size(), windowSize);

    // Until the focus goes to the editor and comes back.
    QVERIFY(ActivateWindow(LumoForm));
    QVERIFY(ActivateWindow(LumoImageForm));
    QCOMPARE(ImageList[1]->PopupMenu(), LumoImageForm->PopMenu);
    QCOMPARE(LumoImageForm->ClientSize(), QSize(280, 360));
}

void tst_LumoImageForm::convertFromUnreadableFile()
{
    convertInEditor(ManyLines(80));
    const std::size_t pages = ImageList.size();
    QVERIFY(pages >= 3);
    LumoImageForm->SetClientSize(250, 350);
    dialogs().openAnswers.push_back(QStringLiteral("missing.txt"));
    LumoImageForm->ConvertFileClick();

    QCOMPARE(dialogs().errors.size(), 1);
    QCOMPARE(dialogs().errors[0].text, CannotOpenMessage("missing.txt"));
    QCOMPARE(dialogs().errors[0].title, ProgramTitle());
    QCOMPARE(ImageList.size(), pages);
    QVERIFY(!LumoImageForm->Image().HasBitmap());
    QCOMPARE(LumoImageForm->Image().Width(), 250);
    QCOMPARE(LumoImageForm->Image().Height(), 350);
}

void tst_LumoImageForm::saveCommands_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("extension");
    QTest::newRow("save JPG") << "save JPG" << ".jpg";
    QTest::newRow("save BMP") << "save BMP" << ".bmp";
    QTest::newRow("save PNG") << "save PNG" << ".png";
}

void tst_LumoImageForm::saveCommands()
{
    QFETCH(QString, caption);
    QFETCH(QString, extension);
    convertInEditor(ManyLines(80));
    const int pages = int(ImageList.size());
    QVERIFY(pages >= 3);

    dialogs().saveAnswers.push_back(QDir::current().filePath("out.any"));
    menuAction(LumoImageForm->PopMenu, caption)->trigger();
    QCOMPARE(dialogs().saveAsked, 1);
    QVERIFY(dialogs().errors.isEmpty());

    QStringList expected;
    for (int i = 0; i < pages; ++i)
        expected << "out" + QString::number(11 + i) + extension;
    QCOMPARE(QDir().entryList(QDir::Files, QDir::Name), expected);
    for (const QString &name : expected) {
        const QImage image(name);
        QCOMPARE(image.size(), QSize(308, 400));
    }
}

void tst_LumoImageForm::saveSinglePictureWithoutNumber()
{
    convertInEditor("one page");
    dialogs().saveAnswers.push_back(QStringLiteral("single"));
    LumoImageForm->SavePNGClick();
    QCOMPARE(QDir().entryList(QDir::Files), QStringList({"single.png"}));
}

void tst_LumoImageForm::saveCancelledWritesNothing()
{
    convertInEditor("one page");
    LumoImageForm->SaveJPGClick();
    LumoImageForm->SaveBMPClick();
    LumoImageForm->SavePNGClick();
    QCOMPARE(dialogs().saveAsked, 3);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList());
    QVERIFY(dialogs().errors.isEmpty());
}

void tst_LumoImageForm::cancelledSaveKeepsAPrefixOfThePages_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qsizetype>("cancelWhenDone");
    QTest::newRow("save PNG cancelled at once") << "save PNG" << qsizetype(0);
    QTest::newRow("save JPG cancelled after 3") << "save JPG" << qsizetype(3);
    QTest::newRow("save BMP cancelled after 5") << "save BMP" << qsizetype(5);
}

void tst_LumoImageForm::cancelledSaveKeepsAPrefixOfThePages()
{
    QFETCH(QString, caption);
    QFETCH(qsizetype, cancelWhenDone);
    convertInEditor(ManyLines(400));
    const int pages = int(ImageList.size());
    QVERIFY(pages > 10);

    dialogs().cancelWhenDone = cancelWhenDone;
    dialogs().saveAnswers.push_back(QDir::current().filePath("out.any"));
    menuAction(LumoImageForm->PopMenu, caption)->trigger();
    QCOMPARE(dialogs().progressShown, QStringList({"convert", caption}));
    QVERIFY(dialogs().errors.isEmpty());

    // The first files, without a gap, and none after them.
    const QStringList written = QDir().entryList(QDir::Files, QDir::Name);
    QVERIFY2(written.size() >= std::max<qsizetype>(cancelWhenDone, 1) && written.size() < pages,
             qPrintable(written.join(u' ')));
    if (cancelWhenDone == 0)
        QCOMPARE(written.size(), 1);
    const QString extension = written.front().right(4);
    for (int i = 0; i < written.size(); ++i)
        QCOMPARE(written[i], "out" + QString::number(11 + i) + extension);
}

void tst_LumoImageForm::cancelledConversionShowsThePagesFinished()
{
    LumoForm->resize(300, 400);
    QTRY_COMPARE(LumoForm->Memo->size(), QSize(300, 400));
    LumoForm->Memo->SetText(ManyLines(400));
    dialogs().cancelWhenDone = 0;
    LumoForm->ConvertClick();
    QCOMPARE(dialogs().progressShown, QStringList{"convert"});
    QVERIFY(dialogs().errors.isEmpty());
    // The first page was done when the cancel was seen; it alone is shown.
    QCOMPARE(ImageList.size(), std::size_t(1));
    QCOMPARE(LumoImageForm->Image().BitmapHeight(), 400);
    QVERIFY(LumoImageForm->isVisible());

    // Without a cancel the same text makes many pages.
    dialogs().cancelWhenDone.reset();
    LumoForm->ConvertClick();
    QVERIFY(ImageList.size() > 10);
}

void tst_LumoImageForm::closeOnlyHides()
{
    convertInEditor(ManyLines(80));
    const std::size_t pages = ImageList.size();
    LumoImageForm->CloseClick();
    QVERIFY(!LumoImageForm->isVisible());
    QCOMPARE(ImageList.size(), pages);
    LumoImageForm->ShowForm();
    QVERIFY(LumoImageForm->close());
    QVERIFY(!LumoImageForm->isVisible());
    QVERIFY(LumoForm->isVisible());
    QCOMPARE(ImageList.size(), pages);
    QCOMPARE(LumoImageForm->Image().BitmapHeight(), 400);
}

void tst_LumoImageForm::paintsThePicturesWhereTheyAre()
{
    BGColor = 0x0000FF00;
    convertInEditor(ManyLines(80));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() >= 800);
    bar->setValue(390);
    const QImage shown = LumoImageForm->viewport()->grab().toImage();
    // The dotted line on top of the second page, drawn in the font colour
    // from its first pixel on, lies 10 rows down; above it is the first page.
    const QImage second = ImageList[1]->Picture();
    const QImage first = ImageList[0]->Picture();
    for (int x = 0; x < 40; ++x) {
        QCOMPARE(QColor(shown.pixel(x, 10)).rgb(), QColor(second.pixel(x, 0)).rgb());
        QCOMPARE(QColor(shown.pixel(x, 5)).rgb(), QColor(first.pixel(x, 395)).rgb());
    }
}

void tst_LumoImageForm::hundredsOfPagesScrollToTheLast()
{
    // Pages of 80 rows hold five lines of an 8-point font.
    LumoForm->MemoFont()->SetSize(8);
    convertInEditor(ManyLines(2000), 200, 80);
    QVERIFY2(ImageList.size() >= 400, qPrintable(QString::number(ImageList.size())));
    QScrollBar *bar = LumoImageForm->verticalScrollBar();
    QTRY_COMPARE(bar->maximum(), int(ImageList.size()) * 80 - LumoImageForm->ClientSize().height());

    // Every picture stays where the scrolling put it, also far down.
    bar->setValue(bar->maximum());
    const PictureControl *last = ImageList.back();
    QCOMPARE(last->Top() + last->Height(), LumoImageForm->ClientSize().height());
    QCOMPARE(LumoImageForm->PictureAt(QPoint(5, LumoImageForm->ClientSize().height() - 5)), last);
    const QImage shown = LumoImageForm->viewport()->grab().toImage();
    const QImage lastPicture = last->Picture();
    for (int row : {0, 13, 40}) {
        for (int x = 0; x < 100; ++x)
            QCOMPARE(QColor(shown.pixel(x, last->Top() + row)).rgb(), QColor(lastPicture.pixel(x, row)).rgb());
    }
}

QTEST_MAIN(tst_LumoImageForm)
#include "tst_lumoimageform.moc"
