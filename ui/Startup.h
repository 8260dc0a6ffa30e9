#pragma once

class LumoDialogs;

// Creates the program's four windows in their fixed order (editor, picture
// window, settings window, settings manager), each running its creation
// steps. An error in those steps is shown, ends that window's creation and
// the next window is created. Only the editor is left visible-to-be; the
// others stay hidden until a command shows them, and closing them never
// ends the program.
void CreateLumoWindows(LumoDialogs &dialogs);

// Destroys the windows, last created first, and puts the render settings
// back to their start values.
void DestroyLumoWindows();

// The program: creates the windows, shows the editor and runs until the
// editor window is closed.
int RunLumo(int argc, char **argv);
