#pragma once

#include <QString>
#include <functional>

class QWidget;
class LumoDialogs;

// The program's title for message boxes: the program file's name without
// its folder, up to the first ".", all but the first character lower case.
QString ProgramTitle();

// The message as a message box shows it: a "." is appended when the last
// character sorts after ".".
QString ShownMessage(const QString &message);

// Runs one command. The program's errors (and any std::exception) end the
// command and are shown in a critical message box titled ProgramTitle();
// the event loop goes on. Returns false when the command failed.
bool RunCommand(LumoDialogs &dialogs, QWidget *parent, const std::function<void()> &command);

// Runs a step whose errors are swallowed (optional files, activation).
void RunSilently(const std::function<void()> &step);
