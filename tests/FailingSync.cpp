// Loaded into lumo-render with LD_PRELOAD, it plays a disk that fails: the
// call to fdatasync numbered LUMO_FAILING_SYNC (1, 2, ...) reports an I/O
// error, every other call goes to the system.
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

extern "C" int fdatasync(int fd)
{
    using Sync = int (*)(int);
    static const auto real = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, "fdatasync"));
    static const char *const failing = std::getenv("LUMO_FAILING_SYNC");
    static int calls = 0;
    if (failing && ++calls == std::atoi(failing)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}
