// Loaded into lumo-render with LD_PRELOAD, it plays a disk that fails:
// - LUMO_FAILING_SYNC=N: the call to fdatasync numbered N (1, 2, ...)
//   reports an I/O error, every other call goes to the system;
// - LUMO_DISK_BYTES=N: a disk that holds N bytes: writes into regular files
//   take what room is left and then fail with "No space left on device".
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int fdatasync(int fd)
{
    using Sync = int (*)(int);
    static const auto real = reinterpret_cast<Sync>(dlsym(RTLD_NEXT, "fdatasync"));
    static const char *const failing = std::getenv("LUMO_FAILING_SYNC");
    static std::atomic<int> calls{0};
    if (failing && ++calls == std::atoi(failing)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" ssize_t write(int fd, const void *data, size_t size)
{
    using Write = ssize_t (*)(int, const void *, size_t);
    static const auto real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    static const char *const capacity = std::getenv("LUMO_DISK_BYTES");
    static std::atomic<long long> room{capacity ? std::atoll(capacity) : 0};
    struct stat status{};
    if (!capacity || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return real(fd, data, size);
    long long left = room.load();
    long long taken = 0;
    do {
        taken = std::min<long long>(left, static_cast<long long>(size));
    } while (!room.compare_exchange_weak(left, left - taken));
    if (taken == 0 && size > 0) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, data, static_cast<size_t>(taken));
}
