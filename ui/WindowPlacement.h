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
