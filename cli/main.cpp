#include "RenderCommand.h"

int main(int argc, char *argv[])
{
    return RunLumoRender(argc, argv);
}
