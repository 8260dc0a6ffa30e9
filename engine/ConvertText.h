#pragma once

#include "PictureControl.h"

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <optional>

struct ConvertOptions
{
    // Seed for this one conversion instead of the clock (reproducible output).
    std::optional<std::uint32_t> seed = {};
    // Told now and then how far the conversion is: characters done of all,
    // and the pictures so far.
    std::function<void(qsizetype done, qsizetype total, qsizetype pictures)> progress = {};
};

// Draws the 8-bit text character by character in SetupFont on a BGColor
// background into firstPicture (whose bitmap the caller has discarded and
// whose size it has set), with each character jittered by HoVar and VeVar.
// Lines wrap at the right margin and at every CR. When the picture is full
// a new page of the same size is started below it in owner (onePicture
// false), or the picture grows downward (onePicture true). At the end every
// picture in ImageList receives noise after Rausch. Earlier continuation
// pictures are destroyed first.
void ConvertText(const QByteArray &text, PictureControl &firstPicture, PictureOwner &owner, bool onePicture,
                 const ConvertOptions &options = {});

// The drawing position of one character: the vertical jitter is drawn from
// the generator before the horizontal one.
QPoint JitterPos(std::int32_t x, std::int32_t y);

// Speckles one picture with background- and font-coloured pixels.
void AddNoise(PictureControl &picture);
