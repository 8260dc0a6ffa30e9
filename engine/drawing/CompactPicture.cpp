#include "CompactPicture.h"

#include "PixelBuffer.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

// The palette of one picture: colour to index through a small open-addressed
// table; a run of equal pixels (most of a page is background) is looked up
// once.
class Palette
{
public:
    // The colour's index, or -1 once the picture has more than 256 colours.
    int IndexOf(QRgb rgb)
    {
        std::uint32_t slot = hash(rgb);
        for (;;) {
            Entry &entry = m_table[slot];
            if (entry.used && entry.rgb == rgb)
                return entry.index;
            if (!entry.used) {
                if (m_colours.size() == 256)
                    return -1;
                entry = {rgb, static_cast<int>(m_colours.size()), true};
                m_colours.append(rgb);
                return entry.index;
            }
            slot = (slot + 1) % TableSize;
        }
    }

    const QList<QRgb> &Colours() const { return m_colours; }

private:
    static constexpr std::uint32_t TableSize = 1024;
    static std::uint32_t hash(QRgb rgb) { return (rgb * 2654435761u) >> 22; }

    struct Entry
    {
        QRgb rgb = 0;
        int index = 0;
        bool used = false;
    };
    std::array<Entry, TableSize> m_table{};
    QList<QRgb> m_colours;
};

} // namespace

std::optional<QImage> PaletteCopy(const QImage &picture)
{
    if (picture.isNull())
        return QImage();
    const int width = picture.width();
    const int height = picture.height();
    QImage compact = NewPicture(width, height, QImage::Format_Indexed8);
    Palette palette;
    for (int y = 0; y < height; ++y) {
        const auto *source = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *target = compact.scanLine(y);
        QRgb last = ~source[0];
        int lastIndex = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb rgb = source[x];
            if (rgb != last) {
                lastIndex = palette.IndexOf(rgb);
                if (lastIndex < 0)
                    return std::nullopt;
                last = rgb;
            }
            target[x] = static_cast<uchar>(lastIndex);
        }
    }
    compact.setColorTable(palette.Colours());
    return compact;
}

QImage CompactPicture(const QImage &picture)
{
    if (std::optional<QImage> compact = PaletteCopy(picture))
        return std::move(*compact);
    QImage copy = NewPicture(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(copy.scanLine(y), picture.constScanLine(y), std::size_t(picture.width()) * 4);
    return copy;
}

QImage CompactInPlace(PixelBuffer &&buffer)
{
    const int width = buffer.Width();
    const int height = std::max(buffer.Height(), 0);
    if (width <= 0 || height <= 0)
        return QImage();
    // First the palette, so that nothing is overwritten for a picture that
    // has too many colours.
    Palette palette;
    for (int y = 0; y < height; ++y) {
        const QRgb *row = buffer.Row(y);
        QRgb last = ~row[0];
        for (int x = 0; x < width; ++x) {
            if (row[x] != last) {
                if (palette.IndexOf(row[x]) < 0)
                    return std::move(buffer).Release();
                last = row[x];
            }
        }
    }
    // Each index lands at or before the pixel it stands for, which has been
    // read by then.
    const qsizetype bytesPerLine = (qsizetype(width) + 3) / 4 * 4;
    auto *bytes = reinterpret_cast<uchar *>(buffer.Pixels());
    for (int y = 0; y < height; ++y) {
        const QRgb *row = buffer.Row(y);
        uchar *target = bytes + qsizetype(y) * bytesPerLine;
        QRgb last = ~row[0];
        int lastIndex = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb rgb = row[x];
            if (rgb != last) {
                lastIndex = palette.IndexOf(rgb);
                last = rgb;
            }
            target[x] = static_cast<uchar>(lastIndex);
        }
    }
    return std::move(buffer).ReleaseIndexed(palette.Colours());
}
