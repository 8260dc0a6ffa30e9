#include "RenderCommand.h"

#include <malloc.h>

int main(int argc, char *argv[])
{
    // Every page allocates and frees buffers of a few megabytes (pixels,
    // owners, blur planes). By default glibc maps such blocks afresh each
    // time and the kernel zeroes every page of them again; kept in the heap
    // they are reused. Memory stays bounded by the largest page's buffers.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    return RunLumoRender(argc, argv);
}
