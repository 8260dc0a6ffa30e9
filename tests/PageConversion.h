#pragma once

#include "ConvertText.h"
#include "PictureStack.h"
#include "RenderSettings.h"

#include <QByteArray>
#include <cstddef>

// Lines of text that never repeat, so that every page drawn from them is a
// picture of its own.
inline QByteArray PageText(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "Lorem ipsum dolor sit amet, consectetur adipiscing elit " + QByteArray::number(i) + "\r\n";
    return text;
}

// A conversion into pages of 308 x 400, as the picture window makes them,
// with just enough text for the wanted number of pages.
inline void ConvertPages(PictureStack &stack, std::size_t pages)
{
    for (int lines = 1; lines < 1000; ++lines) {
        stack.First().ClearPicture();
        stack.First().SetBounds(0, 0, 308, 400);
        ConvertText(PageText(lines), stack.First(), stack, false, {.seed = 1});
        if (ImageList.size() >= pages)
            return;
    }
}
