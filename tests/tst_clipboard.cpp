#include "ErrorMessage.h"
#include "ImageCompare.h"
#include "PageConversion.h"
#include "PictureClipboard.h"
#include "PictureStack.h"
#include "RenderSettings.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

namespace {

const QString NoClipboard = QStringLiteral("Zwischenablage kann nicht ge\u00f6ffnet werden");

} // namespace

// Runs before any application object exists, and then beside a
// QCoreApplication: neither has a clipboard.
class TestClipboardWithoutGui : public QObject
{
    Q_OBJECT

private slots:
    void noApplication();
    void coreApplicationOnly();
};

void TestClipboardWithoutGui::noApplication()
{
    QVERIFY(!QCoreApplication::instance());
    PictureControl picture;
    picture.SetBounds(0, 0, 4, 4);
    picture.GetCanvas();

    QCOMPARE(MessageOf([&] { CopyPicture(&picture); }), NoClipboard);
}

void TestClipboardWithoutGui::coreApplicationOnly()
{
    int argc = 1;
    char name[] = "tst_clipboard";
    char *argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    PictureControl picture;
    picture.SetBounds(0, 0, 4, 4);
    picture.GetCanvas();

    QCOMPARE(MessageOf([&] { CopyPicture(&picture); }), NoClipboard);
}

class TestClipboard : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void copiesThatPage_data();
    void copiesThatPage();
    void copyOwnsItsPixels();
    void pictureWithoutBitmapEmptiesClipboard();
    void noPictureChangesNothing();
};

void TestClipboard::init()
{
    ResetRenderSettings();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void TestClipboard::copiesThatPage_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("first page") << 0;
    QTest::newRow("second page, not the first") << 1;
    QTest::newRow("last page") << 2;
}

void TestClipboard::copiesThatPage()
{
    QFETCH(int, page);

    PictureStack stack;
    ConvertPages(stack, 3);
    QCOMPARE(ImageList.size(), std::size_t(3));
    // Otherwise copying the wrong page could pass unnoticed.
    QVERIFY(ImageList[0]->Picture() != ImageList[1]->Picture());
    QVERIFY(ImageList[1]->Picture() != ImageList[2]->Picture());

    CopyPicture(ImageList[static_cast<std::size_t>(page)]);

    const QImage copied = QGuiApplication::clipboard()->image();
    const QImage expected = ImageList[static_cast<std::size_t>(page)]->Picture();
    QCOMPARE(copied.format(), expected.format());
    QCOMPARE(ImageDifference(copied, expected), QString());
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasText());
}

void TestClipboard::copyOwnsItsPixels()
{
    PictureStack stack;
    ConvertPages(stack, 3);
    PictureControl &second = *ImageList[1];
    const QImage before = second.Picture().copy();

    CopyPicture(&second);
    // Drawing on the page afterwards must not reach the clipboard.
    Canvas &canvas = second.GetCanvas();
    canvas.BrushColor = 0x000000FF;
    canvas.FillRect({0, 0, second.BitmapWidth(), second.BitmapHeight()});
    QCOMPARE(second.Picture().pixel(10, 10), qRgb(255, 0, 0));

    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.format(), before.format());
    QCOMPARE(ImageDifference(copied, before), QString());
}

void TestClipboard::pictureWithoutBitmapEmptiesClipboard()
{
    PictureControl empty;
    empty.SetBounds(0, 0, 308, 400);

    CopyPicture(&empty);

    QVERIFY(QGuiApplication::clipboard()->image().isNull());
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
}

void TestClipboard::noPictureChangesNothing()
{
    CopyPicture(nullptr);

    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

int main(int argc, char *argv[])
{
    int failures = 0;
    {
        TestClipboardWithoutGui withoutGui;
        failures += QTest::qExec(&withoutGui, argc, argv);
    }
    QGuiApplication application(argc, argv);
    TestClipboard clipboard;
    failures += QTest::qExec(&clipboard, argc, argv);
    return failures;
}

#include "tst_clipboard.moc"
