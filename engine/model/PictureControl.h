#pragma once

#include "Colour.h"
#include "FontObject.h"
#include "LumoRect.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <memory>

class QObject;
class GlyphCache;

enum class PenMode { Solid, Dot };

// Drawing on a picture's bitmap, all in bitmap pixel coordinates. The bitmap
// is a QImage: 32-bit while it is drawn on, and possibly kept with a palette
// once a conversion is done with it (see PictureControl::SetPicture).
class Canvas
{
public:
    // A white bitmap of that size (none when either side is 0 or less).
    Canvas(int width, int height);
    explicit Canvas(QImage picture);
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

    // A position outside the bitmap is ignored.
    void SetPixel(std::int32_t x, std::int32_t y, Colour colour);
    void SetPixelRgb(std::int32_t x, std::int32_t y, QRgb rgb);

    // A line from the pen position to (x, y), not including (x, y); the pen
    // moves there.
    void LineTo(std::int32_t x, std::int32_t y);

    // Keeps the top rows; added rows take the brush colour.
    void SetBitmapHeight(std::int32_t height);

    // The bitmap as it is kept.
    const QImage &Stored() const { return m_image; }

private:
    // The bitmap in 32 bits, for drawing on it.
    QImage &drawable();
    GlyphCache &glyphs();

    QImage m_image;
    std::shared_ptr<GlyphCache> m_glyphs;
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
    void SetBounds(const LumoRect &bounds);

    // (Left, Top, Left + Width, Top + Height).
    LumoRect BoundsRect() const;

    Canvas &GetCanvas();
    bool HasBitmap() const { return m_canvas != nullptr; }
    void ClearPicture();
    // Makes the picture the bitmap, as drawn elsewhere (a conversion's page).
    void SetPicture(QImage picture);

    // The bitmap in 32 bits (a null image when there is none): the bitmap
    // itself, or a copy of it when it is kept with a palette.
    QImage Picture() const;
    // The bitmap as it is kept, 32-bit or with a palette, without a copy;
    // for those that read it whole (the picture files, the window).
    QImage StoredPicture() const;
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
