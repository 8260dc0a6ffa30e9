#pragma once

// A deliberately plain conversion: the program's rules carried out on the
// Canvas one operation at a time, a text-out and a width query for every
// character, a dotted line along the top of every new page, a SetPixel for
// every pixel of noise, every page a Canvas of its own. The engine's
// conversion must give the same pictures; the benchmark measures how much
// faster it is.

#include "LumoRandom.h"
#include "PictureControl.h"
#include "RenderSettings.h"

#include <QImage>
#include <memory>
#include <vector>

struct PlainCharacter
{
    unsigned char byte = 0;
    // The top-left corner of its cell, and how high the picture was when it
    // was drawn.
    QPoint at;
    int pictureHeight = 0;
    // Ended by a CR or a wrap, or the last on its page.
    bool endsLine = false;
};

struct PlainPage
{
    QImage image;
    int top = 0;
    // What was drawn on it, in drawing order.
    std::vector<PlainCharacter> characters;
};

inline std::vector<PlainPage> PlainConvert(const QByteArray &text, int width, int height, bool onePicture,
                                           quint32 seed)
{
    RandSeed = seed;
    const RenderValues settings = CurrentRenderValues();
    const int h = std::abs(settings.font.Height());
    const int half = h / 2;
    const int lineStep = 4 * h / 3;

    std::vector<std::unique_ptr<Canvas>> canvases;
    std::vector<PlainPage> pages;
    const auto newPage = [&](int top) {
        auto canvas = std::make_unique<Canvas>(width, height);
        canvas->BrushColor = settings.background;
        canvas->Font = settings.font;
        canvas->FillRect({0, 0, width, height});
        canvases.push_back(std::move(canvas));
        pages.push_back({QImage(), top, {}});
    };
    const auto jitter = [&](int x, int y) {
        const int jy = y + Random(2 * settings.veVar) - settings.veVar;
        const int jx = x + Random(2 * settings.hoVar) - settings.hoVar;
        return QPoint(jx, jy);
    };

    newPage(0);
    int pageHeight = height;
    int x = half;
    int y = half;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c != 0 && c != 10 && c != 13 && c != 20) {
            QPoint p = jitter(x, y);
            if (pageHeight - lineStep < y) {
                if (onePicture) {
                    pageHeight += h;
                    canvases.back()->SetBitmapHeight(pageHeight);
                } else {
                    newPage(pages.back().top + height);
                    Canvas &page = *canvases.back();
                    page.PenStyle = PenMode::Dot;
                    page.PenColor = settings.font.Color();
                    page.LineTo(width, 0);
                    x = half;
                    y = half;
                    p = jitter(x, y);
                }
            }
            const QByteArray character(1, ch);
            canvases.back()->TextOut(p.x(), p.y(), character);
            pages.back().characters.push_back({c, p, pageHeight, false});
            x += canvases.back()->TextWidth(character);
        }
        if (c == 13 || width - h < x) {
            x = half;
            y += lineStep;
            if (!pages.back().characters.empty())
                pages.back().characters.back().endsLine = true;
        }
    }

    for (std::size_t i = 0; i < pages.size(); ++i) {
        Canvas &page = *canvases[i];
        const int pageW = width;
        const int pageH = page.Stored().height();
        const int n = ((pageW * pageH) / 30) / 2 * settings.rausch;
        for (const Colour colour : {settings.background, settings.font.Color()}) {
            for (int k = 0; n >= 0 && k <= n; ++k) {
                const int py = Random(pageH);
                const int px = Random(pageW);
                page.SetPixel(px, py, colour);
            }
        }
        pages[i].image = page.Stored();
    }
    return pages;
}
