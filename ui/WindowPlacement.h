#pragma once

#include <cstdint>

class QWidget;

// One value of a window's place from the settings file's position section;
// where the file has no such key, the default the position table gives it.
// Raises when the settings file cannot be read.
std::int32_t StoredPosition(const char *key);

// Moves the window to its stored left, then to its stored top, each as soon
// as it is read: when the settings file cannot be read, the window stays where
// the reading stopped, and the error goes on to the caller.
void MoveToStoredPosition(QWidget *window, const char *leftKey, const char *topKey);

// Makes the window exactly as large as its layout, now. A top-level window
// placed before its size is final is placed again by its inner area when it
// is first shown; with a window frame it would then creep up and left at
// every "save window positions" and restart.
void SettleFixedSize(QWidget *window);
