#pragma once

#include "SetupStore.h"

class QWidget;

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
