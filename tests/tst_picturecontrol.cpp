#include "ImageCompare.h"
#include "PictureControl.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

class TestPictureControl : public QObject
{
    Q_OBJECT

private slots:
    void bitmapIsMadeWhiteAtFirstCanvasAccess();
    void fillRectExcludesRightAndBottom();
    void heightChangeKeepsTopRows();
    void pixelsOutsideAreIgnored();
    void linesLeaveTheirEndPoint();
    void textCellsAreOpaque();
    void controlCharactersLookTheSameWhateverWasDrawnBefore();
};

namespace {

int countColour(const QImage &image, QRgb rgb)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == rgb;
    return count;
}

} // namespace

void TestPictureControl::bitmapIsMadeWhiteAtFirstCanvasAccess()
{
    PictureControl picture;
    picture.SetBounds(3, 4, 20, 10);
    QVERIFY(!picture.HasBitmap());
    QVERIFY(picture.Picture().isNull());

    picture.GetCanvas();
    QCOMPARE(picture.Picture().size(), QSize(20, 10));
    QCOMPARE(countColour(picture.Picture(), qRgb(255, 255, 255)), 200);

    // Changing the control's size does not resize its bitmap.
    picture.SetBounds(0, 0, 50, 50);
    QCOMPARE(picture.Picture().size(), QSize(20, 10));

    picture.ClearPicture();
    QVERIFY(!picture.HasBitmap());
    picture.GetCanvas();
    QCOMPARE(picture.Picture().size(), QSize(50, 50));

    PictureControl empty;
    empty.GetCanvas().FillRect({0, 0, 10, 10});
    QVERIFY(empty.Picture().isNull());
}

void TestPictureControl::fillRectExcludesRightAndBottom()
{
    PictureControl picture;
    picture.SetBounds(0, 0, 10, 10);
    Canvas &canvas = picture.GetCanvas();
    canvas.BrushColor = 0x000000FF;
    canvas.FillRect({2, 3, 5, 7});
    const QImage image = picture.Picture();
    QCOMPARE(countColour(image, qRgb(255, 0, 0)), 3 * 4);
    QCOMPARE(image.pixel(2, 3), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(4, 6), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(5, 6), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(4, 7), qRgb(255, 255, 255));

    canvas.FillRect({-100, -100, INT32_MAX, 1});
    QCOMPARE(countColour(picture.Picture(), qRgb(255, 0, 0)), 3 * 4 + 10);
}

void TestPictureControl::heightChangeKeepsTopRows()
{
    PictureControl picture;
    picture.SetBounds(0, 0, 4, 2);
    Canvas &canvas = picture.GetCanvas();
    canvas.SetPixel(1, 1, 0x00000000);
    canvas.BrushColor = 0x0000FF00;
    for (int height = 3; height <= 300; ++height)
        canvas.SetBitmapHeight(height);
    const QImage image = picture.Picture();
    QCOMPARE(image.size(), QSize(4, 300));
    QCOMPARE(image.pixel(1, 1), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(countColour(image, qRgb(0, 255, 0)), 4 * 298);

    canvas.SetBitmapHeight(1);
    QCOMPARE(picture.Picture().size(), QSize(4, 1));
}

void TestPictureControl::pixelsOutsideAreIgnored()
{
    PictureControl picture;
    picture.SetBounds(0, 0, 3, 3);
    Canvas &canvas = picture.GetCanvas();
    for (const QPoint p : {QPoint(-1, 0), QPoint(3, 0), QPoint(0, 3), QPoint(0, -1), QPoint(INT32_MIN, INT32_MAX)})
        canvas.SetPixel(p.x(), p.y(), 0);
    QCOMPARE(countColour(picture.Picture(), qRgb(255, 255, 255)), 9);
    canvas.SetPixel(2, 2, 0x00FF0000);
    QCOMPARE(picture.Picture().pixel(2, 2), qRgb(0, 0, 255));
}

void TestPictureControl::linesLeaveTheirEndPoint()
{
    PictureControl picture;
    picture.SetBounds(0, 0, 10, 3);
    Canvas &canvas = picture.GetCanvas();
    canvas.PenColor = 0;
    canvas.LineTo(4, 0);
    QImage image = picture.Picture();
    for (int x = 0; x < 10; ++x)
        QCOMPARE(image.pixel(x, 0), x < 4 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    QCOMPARE(canvas.PenPos, QPoint(4, 0));

    canvas.PenPos = QPoint(0, 2);
    canvas.PenStyle = PenMode::Dot;
    canvas.LineTo(10, 2);
    image = picture.Picture();
    for (int x = 0; x < 10; ++x)
        QCOMPARE(image.pixel(x, 2), x % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
}

void TestPictureControl::textCellsAreOpaque()
{
    PictureControl picture;
    picture.SetBounds(0, 0, 40, 30);
    Canvas &canvas = picture.GetCanvas();
    canvas.BrushColor = 0x00FF0000;
    canvas.FillRect({0, 0, 40, 30});
    canvas.BrushColor = 0x0000FF00;
    canvas.Font.SetName(QStringLiteral("Arial"));
    canvas.Font.SetSize(10);
    canvas.Font.SetColor(0);
    canvas.TextOut(5, 6, " ");

    const QFontMetrics metrics(canvas.Font.ToQFont());
    const int advance = metrics.horizontalAdvance(QLatin1Char(' '));
    const int cellHeight = metrics.ascent() + metrics.descent();
    QCOMPARE(canvas.TextWidth(" "), advance);
    QCOMPARE(canvas.TextWidth("  "), 2 * advance);
    QCOMPARE(countColour(picture.Picture(), qRgb(0, 255, 0)), advance * cellHeight);
    QCOMPARE(picture.Picture().pixel(5, 6), qRgb(0, 255, 0));
    QCOMPARE(picture.Picture().pixel(5 + advance - 1, 6 + cellHeight - 1), qRgb(0, 255, 0));

    // A glyph over a cell drawn the plain way.
    canvas.TextOut(10, 2, "Wj");
    QImage expected(40, 30, QImage::Format_RGB32);
    expected.fill(qRgb(0, 0, 255));
    QPainter painter(&expected);
    painter.fillRect(QRect(5, 6, advance, cellHeight), QColor(0, 255, 0));
    painter.setFont(canvas.Font.ToQFont());
    int x = 10;
    for (const QChar c : QStringLiteral("Wj")) {
        const int w = metrics.horizontalAdvance(c);
        painter.fillRect(QRect(x, 2, w, cellHeight), QColor(0, 255, 0));
        painter.setPen(Qt::black);
        painter.drawText(x, 2 + metrics.ascent(), QString(c));
        x += w;
    }
    painter.end();
    QCOMPARE(ImageDifference(picture.Picture(), expected), QString());
}

// Qt finds a character the font lacks in any other font it has loaded, and
// the font it loads for the C1 controls maps the C0 controls to nothing.
// A control character must still come out as the font's missing-glyph box,
// at the box's width, in small glyphs copied from cells and in large ones
// drawn from outlines.
void TestPictureControl::controlCharactersLookTheSameWhateverWasDrawnBefore()
{
    for (const int size : {11, 61}) {
        QFont merging(QStringLiteral("Arial"));
        merging.setPixelSize(size);
        QImage scratch(200, 200, QImage::Format_RGB32);
        {
            QPainter painter(&scratch);
            painter.setFont(merging);
            painter.drawText(10, 100, QString(QChar(0x0080)));
        }
        QFont alone(merging);
        alone.setStyleStrategy(QFont::NoFontMerging);
        const int boxWidth = QFontMetrics(alone).horizontalAdvance(QString(QChar(0x0004)));
        QVERIFY(boxWidth > 0);

        PictureControl picture;
        picture.SetBounds(0, 0, 3 * size, 2 * size);
        Canvas &canvas = picture.GetCanvas();
        canvas.BrushColor = 0x00FFFFFF;
        canvas.Font.SetName(QStringLiteral("Arial"));
        canvas.Font.SetHeight(-size);
        canvas.Font.SetColor(0);
        canvas.TextOut(size / 2, size / 4, "\x04");
        QCOMPARE(canvas.TextWidth("\x04\x1f"), 2 * boxWidth);
        const int white = countColour(picture.Picture(), qRgb(255, 255, 255));
        QVERIFY2(white < 3 * size * 2 * size - size, qPrintable(QString::number(white)));
    }
}

QTEST_MAIN(TestPictureControl)
#include "tst_picturecontrol.moc"
