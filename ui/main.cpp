#include "Startup.h"

int main(int argc, char *argv[])
{
    return RunLumo(argc, argv);
}
