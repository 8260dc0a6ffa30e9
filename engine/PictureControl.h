#pragma once

#include "Bitmap.h"
#include "Colour.h"
#include "FontObject.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <memory>

class QObject;
class QPainter;
class GlyphCache;

// Right and bottom are exclusive.
struct LumoRect
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

enum class PenMode { Solid, Dot };

// Drawing on a picture's bitmap, all in bitmap pixel coordinates.
class Canvas
{
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    Colour BrushColor = clWhite;
    // A copy: assigning a font copies all its fields.
    FontObject Font;
    PenMode PenStyle = PenMode::Solid;
    Colour PenColor = clBlack;
    QPoint PenPos{0, 0};

    // Paints the rectangle in the brush colour.
    void FillRect(const LumoRect &rect);

    // Draws the bytes one after the other from (x, y), the top-left corner of
    // the first text cell. Each cell (advance width x ascent + descent) is
    // first painted in the brush colour, then the glyph in the font colour.
    void TextOut(std::int32_t x, std::int32_t y, const QByteArray &text);

    // The advance width in pixels of the bytes drawn one after the other.
    std::int32_t TextWidth(const QByteArray &text);

    // TextOut and TextWidth of a single byte, the conversion's hot path.
    // Returns the advance width.
    std::int32_t TextOutChar(std::int32_t x, std::int32_t y, unsigned char byte);
    std::int32_t CharWidth(unsigned char byte);

    // A position outside the bitmap is ignored.
    void SetPixel(std::int32_t x, std::int32_t y, Colour colour);
    void SetPixelRgb(std::int32_t x, std::int32_t y, QRgb rgb)
    {
        m_bitmap.Materialize();
        if (x >= 0 && y >= 0 && x < m_bitmap.Width() && y < m_bitmap.Height())
            m_bitmap.Row(y)[x] = rgb;
    }

    // A line from the pen position to (x, y), not including (x, y); the pen
    // moves there.
    void LineTo(std::int32_t x, std::int32_t y);

    // Keeps the top rows; added rows take the brush colour.
    void SetBitmapHeight(std::int32_t height);

    Bitmap &bitmap() { return m_bitmap; }
    const Bitmap &bitmap() const { return m_bitmap; }

private:
    GlyphCache &glyphs();
    QPainter &painter();
    void closePainter();

    Bitmap m_bitmap;
    std::shared_ptr<GlyphCache> m_glyphs;
    // What m_glyphs was made for, so the common case needs no lookup.
    std::uint64_t m_glyphsFontVersion = 0;
    Colour m_glyphsBrush = 0;
    // Open only while glyphs that reach outside their cell are drawn; closed
    // whenever the bitmap's memory may move.
    std::unique_ptr<QPainter> m_painter;
    QImage m_painterTarget;
};

// A picture: position and size in its owner's scrollable area, an owned
// bitmap and the canvas on it. Clearing discards the bitmap; the first access
// to the canvas creates a white one of the control's current size. Changing
// the size later does not resize the bitmap.
class PictureControl
{
public:
    PictureControl();
    virtual ~PictureControl();
    PictureControl(const PictureControl &) = delete;
    PictureControl &operator=(const PictureControl &) = delete;

    std::int32_t Left() const { return m_left; }
    std::int32_t Top() const { return m_top; }
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    void SetLeft(std::int32_t left) { m_left = left; }
    void SetTop(std::int32_t top) { m_top = top; }
    void SetWidth(std::int32_t width) { m_width = width; }
    void SetHeight(std::int32_t height) { m_height = height; }
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

    // (Left, Top, Left + Width, Top + Height).
    LumoRect BoundsRect() const;

    Canvas &GetCanvas();
    bool HasBitmap() const { return m_canvas != nullptr; }
    void ClearPicture();

    // The bitmap without a copy (a null image when there is none). Valid
    // until the bitmap changes size or is discarded.
    QImage Picture() const;
    int BitmapWidth() const;
    int BitmapHeight() const;

    // The context menu this picture carries (a window's menu; the engine only
    // keeps the reference).
    QObject *PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QObject *menu) { m_popupMenu = menu; }

private:
    std::int32_t m_left = 0;
    std::int32_t m_top = 0;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::unique_ptr<Canvas> m_canvas;
    QObject *m_popupMenu = nullptr;
};

// The window that owns and shows the continuation pictures of a conversion.
class PictureOwner
{
public:
    virtual ~PictureOwner() = default;
    // A new picture placed in the owner; the owner keeps it.
    virtual PictureControl *CreatePicture() = 0;
    // Destroys a picture this owner created.
    virtual void DestroyPicture(PictureControl *picture) = 0;
};
