#pragma once

// A deliberately plain conversion: every character is drawn with its own
// QPainter text call and measured with its own width query, every page is a
// QImage of its own. The engine's conversion must give the same pictures;
// the benchmark measures how much faster it is.

#include "CodePage.h"
#include "LumoRandom.h"
#include "RenderSettings.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
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
    const QFont font = SetupFont->ToQFont();
    const QColor background = ColourToQColor(BGColor);
    const QColor foreground = ColourToQColor(SetupFont->Color());
    const ByteToUnicode &table = CharsetTable(SetupFont->Charset());
    const int h = std::abs(SetupFont->Height());
    const int half = h / 2;
    const int lineStep = 4 * h / 3;

    auto newImage = [&] {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(background);
        return image;
    };
    auto jitter = [&](int x, int y) {
        const int jy = y + Random(2 * VeVar) - VeVar;
        const int jx = x + Random(2 * HoVar) - HoVar;
        return QPoint(jx, jy);
    };

    std::vector<PlainPage> pages;
    pages.push_back({newImage(), 0, {}});
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
                    QImage grown(width, pageHeight, QImage::Format_RGB32);
                    grown.fill(background);
                    QPainter copier(&grown);
                    copier.drawImage(0, 0, pages.back().image);
                    copier.end();
                    pages.back().image = grown;
                } else {
                    PlainPage page{newImage(), pages.back().top + height, {}};
                    for (int dot = 0; dot < width; dot += 2)
                        page.image.setPixelColor(dot, 0, foreground);
                    pages.push_back(page);
                    x = half;
                    y = half;
                    p = jitter(x, y);
                }
            }
            const QString character = QString(QChar(table[c]));
            QPainter painter(&pages.back().image);
            const QFontMetrics metrics(font, &pages.back().image);
            const int advance = metrics.horizontalAdvance(character);
            painter.fillRect(QRect(p.x(), p.y(), advance, metrics.ascent() + metrics.descent()), background);
            painter.setFont(font);
            painter.setPen(foreground);
            painter.drawText(p.x(), p.y() + metrics.ascent(), character);
            pages.back().characters.push_back({c, p, pageHeight, false});
            x += advance;
        }
        if (c == 13 || width - h < x) {
            x = half;
            y += lineStep;
            if (!pages.back().characters.empty())
                pages.back().characters.back().endsLine = true;
        }
    }

    for (PlainPage &page : pages) {
        const int pageW = width;
        const int pageH = page.image.height();
        const int n = ((pageW * pageH) / 30) / 2 * Rausch;
        for (int colour = 0; colour < 2 && n >= 0; ++colour) {
            const QRgb rgb = colour == 0 ? background.rgb() : foreground.rgb();
            for (int i = 0; i <= n; ++i) {
                const int py = Random(pageH);
                const int px = Random(pageW);
                page.image.setPixel(px, py, rgb);
            }
        }
    }
    return pages;
}
