#pragma once

#include <QImage>
#include <QRect>
#include <QString>

// Compares two pictures by what they show: size first, then the first pixel
// whose colour differs, with both colours. The storage format and the alpha
// channel do not count; a test that cares about the format compares it too.
// Empty when they are the same.
inline QString ImageDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage e = expected.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto *rowA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rowE = reinterpret_cast<const QRgb *>(e.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((rowA[x] & 0xFFFFFF) != (rowE[x] & 0xFFFFFF))
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x).arg(y)
                    .arg(rowA[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                    .arg(rowE[x] & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

// A box as the manifest writes it, [x, y, width, height], or null.
inline QString DescribeBox(const QRect &box)
{
    return box.isNull() ? QStringLiteral("null")
                        : QStringLiteral("[%1, %2, %3, %4]").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height());
}
