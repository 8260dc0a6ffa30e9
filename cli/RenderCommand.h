#pragma once

// lumo-render: converts a text file into pictures from the command line with
// the same engine and export code as the windows. Returns the exit status:
// 0 on success, 1 when running failed, 2 for a wrong command line.
int RunLumoRender(int argc, char *argv[]);
