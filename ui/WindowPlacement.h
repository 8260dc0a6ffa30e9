#pragma once

#include "SetupStore.h"

#include <QRect>

class QWidget;

// Places a window as the position section stores it: Left and Top are the
// outer position and Width and Height the outer size, window frame
// included. The frame's size is known only once a window manager has framed
// the shown window; until then, and where there is no frame, the size is
// given to the inside, as it always was. Once the shown window has a frame,
// the frame is taken off the size.
void PlaceWindow(QWidget *window, const QRect &outer);

// The window's own code sizes it from here on (the picture window fits
// itself to its first picture): a stored size not yet applied is dropped.
void ForgetStoredSize(QWidget *window);

// Where the window is and how large, as the position section stores it:
// its outer geometry, frame included, where the window system reports one.
QRect StoredPlace(const QWidget *window);

// Places the window (see PlaceWindow) at its stored left, top, width and
// height, all four read before it moves: when the settings file cannot be
// read, the window keeps its place and the error goes on to the caller. The
// editor and the picture window store their size as well as their place.
void PlaceAtStoredGeometry(QWidget *window, const PositionKey &leftKey, const PositionKey &topKey,
                           const PositionKey &widthKey, const PositionKey &heightKey);

// Moves the window to its stored left, then to its stored top, each as soon
// as it is read: when the settings file cannot be read, the window stays where
// the reading stopped, and the error goes on to the caller.
void MoveToStoredPosition(QWidget *window, const PositionKey &leftKey, const PositionKey &topKey);

// Makes the window exactly as large as its layout, now. A top-level window
// placed before its size is final is placed again by its inner area when it
// is first shown; with a window frame it would then creep up and left at
// every "save window positions" and restart.
void SettleFixedSize(QWidget *window);

// Shows the window above the others and gives it the focus, as a command
// that opens a window does.
void ShowAndActivate(QWidget *window);
