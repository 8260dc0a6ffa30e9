#pragma once

class PictureControl;

// Puts a copy of that one picture on the system clipboard as an image.
// Raises "Zwischenablage kann nicht geöffnet werden" when there is no
// clipboard. Nothing happens for a null picture pointer.
void CopyPicture(const PictureControl *picture);
