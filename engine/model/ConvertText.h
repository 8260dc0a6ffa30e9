#pragma once

#include "LumoRandom.h"
#include "PictureControl.h"
#include "WorkProgress.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

struct ConvertOptions
{
    // Seed for this one conversion instead of the clock (reproducible output).
    std::optional<std::uint32_t> seed = {};
    // Threads that draw the pages; 0 for one a processor.
    int jobs = 0;
    // Watches the drawing of the pages (progress, Cancel); see WorkWatcher.
    // A cancelled conversion keeps the pages finished until then.
    WorkWatcher watch = {};
};

// Draws the 8-bit text character by character in SetupFont on a BGColor
// background into firstPicture (whose size the caller has set; its old
// bitmap is discarded), with each character jittered by HoVar and VeVar.
// The render settings are copied when the conversion starts.
// Lines wrap at the right margin and at every CR. When the picture is full
// a new page of the same size is started below it in owner (onePicture
// false), or the picture grows downward (onePicture true). At the end every
// picture in ImageList receives noise after Rausch. Earlier continuation
// pictures are destroyed first.
//
// The pictures are the same as drawing the characters one after the other
// would give; the pages are laid out first and then drawn on several
// threads, and kept in as little memory as their colours allow.
void ConvertText(const QByteArray &text, PictureControl &firstPicture, PictureOwner &owner, bool onePicture,
                 const ConvertOptions &options = {});

