// SPDX-License-Identifier: MIT
// The client that kolvaner-cli i2c preloads into the command it runs: /dev/i2c-N,
// /dev/i2c/N and /proc/bus/i2c opened through the C library are served by kolvaner-cli, and
// the ioctls, reads and writes on them forwarded to it (i2c_wire.h). Everything else goes
// to the C library's own functions unchanged.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/i2c/i2c_client.h"

namespace {

// A C library function's name as a template argument, so each is looked up once.
template <std::size_t Size>
struct Name {
    char text[Size];
    // NOLINTNEXTLINE(google-explicit-constructor, hicpp-explicit-conversions)
    constexpr Name(const char (&name)[Size]) { std::copy_n(name, Size, text); }
};

// The next definition of the function after this library's: the C library's.
template <Name name, typename Function>
Function* Real() {
    static std::atomic<void*> found{nullptr};
    void* address = found.load(std::memory_order_relaxed);
    if (address == nullptr) {
        address = dlsym(RTLD_NEXT, name.text);
        found.store(address, std::memory_order_relaxed);
    }
    return reinterpret_cast<Function*>(address);
}

using OpenFunction = int(const char*, int, ...);
using OpenAtFunction = int(int, const char*, int, ...);
using FcntlFunction = int(int, int, ...);
using StreamFunction = FILE*(const char*, const char*);

constexpr char kListing[] = "/proc/bus/i2c";

[[gnu::constructor]] void StartClient() {
    i2c_client::Start();
}

// Which served file a path names: the bus as i2c-tools (/dev/i2c/N, then /dev/i2c-N) and
// smbus2 open it, or the listing.
bool ServedPath(const char* path, WireKind& kind) {
    if (path == nullptr || i2c_client::Bus() < 0) {
        return false;
    }
    char bus_path[32];
    char bus_dir_path[32];
    std::snprintf(bus_path, sizeof bus_path, "/dev/i2c-%d", i2c_client::Bus());
    std::snprintf(bus_dir_path, sizeof bus_dir_path, "/dev/i2c/%d", i2c_client::Bus());
    if (std::strcmp(path, bus_path) == 0 || std::strcmp(path, bus_dir_path) == 0) {
        kind = WireKind::open_bus;
        return true;
    }
    kind = WireKind::open_listing;
    return std::strcmp(path, kListing) == 0;
}

bool TakesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

int OpenPath(const char* path, int flags, mode_t mode, OpenFunction* real) {
    WireKind kind{};
    if (ServedPath(path, kind)) {
        return i2c_client::OpenServed(kind, (flags & O_CLOEXEC) != 0);
    }
    return real(path, flags, mode);
}

int OpenAtPath(int directory, const char* path, int flags, mode_t mode, OpenAtFunction* real) {
    WireKind kind{};
    if (path != nullptr && path[0] == '/' && ServedPath(path, kind)) {
        return i2c_client::OpenServed(kind, (flags & O_CLOEXEC) != 0);
    }
    return real(directory, path, flags, mode);
}

FILE* OpenStream(const char* path, const char* mode, StreamFunction* real) {
    WireKind kind{};
    // Only the listing: stdio reads a descriptor behind the client's back.
    if (ServedPath(path, kind) && kind == WireKind::open_listing) {
        const int fd = i2c_client::OpenServed(kind, std::strchr(mode, 'e') != nullptr);
        FILE* stream = fd >= 0 ? fdopen(fd, mode) : nullptr;
        if (stream == nullptr && fd >= 0) {
            Real<"close", int(int)>()(fd);
        }
        return stream;
    }
    return real(path, mode);
}

int Duplicated(int fd, int result) {
    if (result >= 0) {
        i2c_client::Copied(fd, result);
    }
    return result;
}

}  // namespace

#define I2C_CLIENT_EXPORT extern "C" __attribute__((visibility("default")))

// The C library's own declarations name their parameters in its reserved style, and its
// fortified entry points have reserved names.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name,bugprone-reserved-identifier)
#define OPEN_WITH_MODE(name, real)                                       \
    I2C_CLIENT_EXPORT int name(const char* path, int flags, ...) {       \
        va_list args;                                                    \
        va_start(args, flags);                                           \
        const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0; \
        va_end(args);                                                    \
        return OpenPath(path, flags, mode, Real<real, OpenFunction>());  \
    }
OPEN_WITH_MODE(open, "open")
OPEN_WITH_MODE(open64, "open64")

#define OPENAT_WITH_MODE(name, real)                                                   \
    I2C_CLIENT_EXPORT int name(int directory, const char* path, int flags, ...) {      \
        va_list args;                                                                  \
        va_start(args, flags);                                                         \
        const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0;               \
        va_end(args);                                                                  \
        return OpenAtPath(directory, path, flags, mode, Real<real, OpenAtFunction>()); \
    }
OPENAT_WITH_MODE(openat, "openat")
OPENAT_WITH_MODE(openat64, "openat64")

// The fortified forms a program built with _FORTIFY_SOURCE calls.
I2C_CLIENT_EXPORT int __open_2(const char* path, int flags) {
    return OpenPath(path, flags, 0, Real<"open", OpenFunction>());
}
I2C_CLIENT_EXPORT int __open64_2(const char* path, int flags) {
    return OpenPath(path, flags, 0, Real<"open64", OpenFunction>());
}
I2C_CLIENT_EXPORT int __openat_2(int directory, const char* path, int flags) {
    return OpenAtPath(directory, path, flags, 0, Real<"openat", OpenAtFunction>());
}
I2C_CLIENT_EXPORT int __openat64_2(int directory, const char* path, int flags) {
    return OpenAtPath(directory, path, flags, 0, Real<"openat64", OpenAtFunction>());
}

I2C_CLIENT_EXPORT FILE* fopen(const char* path, const char* mode) {
    return OpenStream(path, mode, Real<"fopen", StreamFunction>());
}
I2C_CLIENT_EXPORT FILE* fopen64(const char* path, const char* mode) {
    return OpenStream(path, mode, Real<"fopen64", StreamFunction>());
}

I2C_CLIENT_EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (i2c_client::IsServed(fd, true)) {
        return static_cast<int>(i2c_client::ForwardIoctl(fd, request, argument));
    }
    return Real<"ioctl", int(int, unsigned long, void*)>()(fd, request, argument);
}

I2C_CLIENT_EXPORT ssize_t read(int fd, void* buffer, size_t count) {
    if (i2c_client::IsServed(fd, false)) {
        return i2c_client::ForwardRead(fd, buffer, count);
    }
    return Real<"read", ssize_t(int, void*, size_t)>()(fd, buffer, count);
}

I2C_CLIENT_EXPORT ssize_t __read_chk(int fd, void* buffer, size_t count, size_t room) {
    if (i2c_client::IsServed(fd, false)) {
        return i2c_client::ForwardRead(fd, buffer, std::min(count, room));
    }
    return Real<"__read_chk", ssize_t(int, void*, size_t, size_t)>()(fd, buffer, count, room);
}

I2C_CLIENT_EXPORT ssize_t write(int fd, const void* buffer, size_t count) {
    if (i2c_client::IsServed(fd, false)) {
        return i2c_client::ForwardWrite(fd, buffer, count);
    }
    return Real<"write", ssize_t(int, const void*, size_t)>()(fd, buffer, count);
}

I2C_CLIENT_EXPORT int dup(int fd) {
    return Duplicated(fd, Real<"dup", int(int)>()(fd));
}

I2C_CLIENT_EXPORT int dup2(int fd, int new_fd) {
    return Duplicated(fd, Real<"dup2", int(int, int)>()(fd, new_fd));
}

I2C_CLIENT_EXPORT int dup3(int fd, int new_fd, int flags) {
    return Duplicated(fd, Real<"dup3", int(int, int, int)>()(fd, new_fd, flags));
}

#define FCNTL(name, real)                                                      \
    I2C_CLIENT_EXPORT int name(int fd, int command, ...) {                     \
        va_list args;                                                          \
        va_start(args, command);                                               \
        void* argument = va_arg(args, void*);                                  \
        va_end(args);                                                          \
        const int result = Real<real, FcntlFunction>()(fd, command, argument); \
        const bool copies = command == F_DUPFD || command == F_DUPFD_CLOEXEC;  \
        return copies ? Duplicated(fd, result) : result;                       \
    }
FCNTL(fcntl, "fcntl")
FCNTL(fcntl64, "fcntl64")
// NOLINTEND(readability-inconsistent-declaration-parameter-name,bugprone-reserved-identifier)
