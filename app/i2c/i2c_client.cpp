// SPDX-License-Identifier: MIT
// The client that kolvaner-cli i2c preloads into the command it runs: /dev/i2c-N,
// /dev/i2c/N and /proc/bus/i2c opened through the C library are served by kolvaner-cli, and
// the ioctls, reads and writes on them forwarded to it (i2c_wire.h). Everything else goes
// to the C library's own functions unchanged.
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/i2c/i2c_client.h"

namespace {

template <typename Function>
Function* Real(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

using OpenFunction = int(const char*, int, ...);
using OpenAtFunction = int(int, const char*, int, ...);
using FcntlFunction = int(int, int, ...);

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

int OpenPath(const char* path, int flags, mode_t mode, const char* real_name) {
    WireKind kind{};
    if (ServedPath(path, kind)) {
        return i2c_client::OpenServed(kind, (flags & O_CLOEXEC) != 0);
    }
    return Real<OpenFunction>(real_name)(path, flags, mode);
}

int OpenAtPath(int directory, const char* path, int flags, mode_t mode, const char* real_name) {
    WireKind kind{};
    if (path != nullptr && path[0] == '/' && ServedPath(path, kind)) {
        return i2c_client::OpenServed(kind, (flags & O_CLOEXEC) != 0);
    }
    return Real<OpenAtFunction>(real_name)(directory, path, flags, mode);
}

FILE* OpenStream(const char* path, const char* mode, const char* real_name) {
    WireKind kind{};
    // Only the listing: stdio reads a descriptor behind the client's back.
    if (ServedPath(path, kind) && kind == WireKind::open_listing) {
        const int fd = i2c_client::OpenServed(kind, std::strchr(mode, 'e') != nullptr);
        FILE* stream = fd >= 0 ? fdopen(fd, mode) : nullptr;
        if (stream == nullptr && fd >= 0) {
            Real<int(int)>("close")(fd);
        }
        return stream;
    }
    return Real<FILE*(const char*, const char*)>(real_name)(path, mode);
}

long ForwardSmbus(int fd, unsigned long request, i2c_smbus_ioctl_data* call) {
    if (call == nullptr) {
        errno = EFAULT;
        return -1;
    }
    WireSmbus wire{call->read_write, call->command, call->data != nullptr, 0, call->size, {}};
    if (call->data != nullptr && call->size <= I2C_SMBUS_I2C_BLOCK_DATA &&
        SmbusTakesData(call->read_write, call->size)) {
        std::memcpy(wire.data, call->data, SmbusDataSize(call->size));
    }
    const WireRequest header{WireKind::ioctl, sizeof wire, request};
    std::uint8_t reply[sizeof wire.data];
    std::size_t length = 0;
    const long result = i2c_client::Forward(fd, header, &wire, reply, sizeof reply, &length);
    if (result >= 0 && call->data != nullptr) {
        std::memcpy(call->data, reply, length);
    }
    return result;
}

// Room for the largest I2C_RDWR, from the heap: a thread's stack may be small.
struct Buffer {
    std::uint8_t* bytes = static_cast<std::uint8_t*>(std::malloc(kMaxWirePayload));
    Buffer() = default;
    ~Buffer() { std::free(bytes); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
};

long ForwardCombined(int fd, unsigned long request, i2c_rdwr_ioctl_data* call) {
    if (call == nullptr) {
        errno = EFAULT;
        return -1;
    }
    if (call->msgs == nullptr || call->nmsgs == 0 || call->nmsgs > I2C_RDWR_IOCTL_MAX_MSGS) {
        errno = EINVAL;
        return -1;
    }
    Buffer payload_buffer;
    Buffer reply_buffer;
    std::uint8_t* payload = payload_buffer.bytes;
    std::uint8_t* reply = reply_buffer.bytes;
    if (payload == nullptr || reply == nullptr) {
        errno = ENOMEM;
        return -1;
    }
    std::size_t used = sizeof call->nmsgs;
    std::memcpy(payload, &call->nmsgs, sizeof call->nmsgs);
    for (std::uint32_t index = 0; index < call->nmsgs; ++index) {
        const i2c_msg& message = call->msgs[index];
        if (message.len > kMaxMessageBytes) {
            errno = EINVAL;
            return -1;
        }
        const bool counted = (message.flags & I2C_M_RECV_LEN) != 0 && message.len > 0;
        const WireMessage wire{message.addr, message.flags, message.len,
                               counted ? message.buf[0] : std::uint8_t{0}, 0};
        std::memcpy(payload + used, &wire, sizeof wire);
        used += sizeof wire;
    }
    for (std::uint32_t index = 0; index < call->nmsgs; ++index) {
        const i2c_msg& message = call->msgs[index];
        if ((message.flags & I2C_M_RD) == 0 && message.len > 0) {
            std::memcpy(payload + used, message.buf, message.len);
            used += message.len;
        }
    }
    const WireRequest header{WireKind::ioctl, static_cast<std::uint32_t>(used), request};
    std::size_t length = 0;
    const long result = i2c_client::Forward(fd, header, payload, reply, kMaxWirePayload, &length);
    std::size_t offset = 0;
    for (std::uint32_t index = 0; result >= 0 && index < call->nmsgs; ++index) {
        const i2c_msg& message = call->msgs[index];
        std::uint16_t count = 0;
        if ((message.flags & I2C_M_RD) == 0 || offset + sizeof count > length) {
            continue;
        }
        std::memcpy(&count, reply + offset, sizeof count);
        offset += sizeof count;
        std::memcpy(message.buf, reply + offset, std::min<std::size_t>(count, message.len));
        offset += count;
    }
    return result;
}

long ForwardIoctl(int fd, unsigned long request, void* argument) {
    switch (request) {
        case I2C_SLAVE:
        case I2C_SLAVE_FORCE:
        case I2C_TENBIT:
        case I2C_PEC:
        case I2C_RETRIES:
        case I2C_TIMEOUT: {
            const auto value = reinterpret_cast<std::uint64_t>(argument);
            return i2c_client::Forward(fd, {WireKind::ioctl, sizeof value, request}, &value,
                                       nullptr, 0, nullptr);
        }
        case I2C_FUNCS: {
            std::uint64_t functions = 0;
            const long result = i2c_client::Forward(fd, {WireKind::ioctl, 0, request}, nullptr,
                                                    &functions, sizeof functions, nullptr);
            if (result >= 0 && argument == nullptr) {
                errno = EFAULT;
                return -1;
            }
            if (result >= 0) {
                *static_cast<unsigned long*>(argument) = functions;
            }
            return result;
        }
        case I2C_RDWR:
            return ForwardCombined(fd, request, static_cast<i2c_rdwr_ioctl_data*>(argument));
        case I2C_SMBUS:
            return ForwardSmbus(fd, request, static_cast<i2c_smbus_ioctl_data*>(argument));
        default:
            return i2c_client::Forward(fd, {WireKind::ioctl, 0, request}, nullptr, nullptr, 0,
                                       nullptr);
    }
}

ssize_t ForwardRead(int fd, void* buffer, std::size_t count) {
    const std::size_t asked = std::min<std::size_t>(count, kMaxMessageBytes);
    return i2c_client::Forward(fd, {WireKind::read, 0, asked}, nullptr, buffer, asked, nullptr);
}

ssize_t ForwardWrite(int fd, const void* buffer, std::size_t count) {
    const auto sent = static_cast<std::uint32_t>(std::min<std::size_t>(count, kMaxMessageBytes));
    return i2c_client::Forward(fd, {WireKind::write, sent, 0}, buffer, nullptr, 0, nullptr);
}

int Duplicated(int fd, int result) {
    if (result >= 0) {
        i2c_client::Copied(fd, result);
    }
    return result;
}

}  // namespace

#define I2C_CLIENT_EXPORT extern "C" __attribute__((visibility("default")))

// The C library's own declarations name their parameters in its reserved style.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
#define OPEN_WITH_MODE(name, real)                                       \
    I2C_CLIENT_EXPORT int name(const char* path, int flags, ...) {       \
        va_list args;                                                    \
        va_start(args, flags);                                           \
        const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0; \
        va_end(args);                                                    \
        return OpenPath(path, flags, mode, real);                        \
    }
OPEN_WITH_MODE(open, "open")
OPEN_WITH_MODE(open64, "open64")

#define OPENAT_WITH_MODE(name, real)                                              \
    I2C_CLIENT_EXPORT int name(int directory, const char* path, int flags, ...) { \
        va_list args;                                                             \
        va_start(args, flags);                                                    \
        const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0;          \
        va_end(args);                                                             \
        return OpenAtPath(directory, path, flags, mode, real);                    \
    }
OPENAT_WITH_MODE(openat, "openat")
OPENAT_WITH_MODE(openat64, "openat64")

// The fortified forms a program built with _FORTIFY_SOURCE calls.
I2C_CLIENT_EXPORT int __open_2(const char* path, int flags) {
    return OpenPath(path, flags, 0, "open");
}
I2C_CLIENT_EXPORT int __open64_2(const char* path, int flags) {
    return OpenPath(path, flags, 0, "open64");
}
I2C_CLIENT_EXPORT int __openat_2(int directory, const char* path, int flags) {
    return OpenAtPath(directory, path, flags, 0, "openat");
}
I2C_CLIENT_EXPORT int __openat64_2(int directory, const char* path, int flags) {
    return OpenAtPath(directory, path, flags, 0, "openat64");
}

I2C_CLIENT_EXPORT FILE* fopen(const char* path, const char* mode) {
    return OpenStream(path, mode, "fopen");
}
I2C_CLIENT_EXPORT FILE* fopen64(const char* path, const char* mode) {
    return OpenStream(path, mode, "fopen64");
}

I2C_CLIENT_EXPORT int close(int fd) {
    i2c_client::Forget(fd);
    return Real<int(int)>("close")(fd);
}

I2C_CLIENT_EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (i2c_client::IsServed(fd, true)) {
        return static_cast<int>(ForwardIoctl(fd, request, argument));
    }
    return Real<int(int, unsigned long, void*)>("ioctl")(fd, request, argument);
}

I2C_CLIENT_EXPORT ssize_t read(int fd, void* buffer, size_t count) {
    if (i2c_client::IsServed(fd, false)) {
        return ForwardRead(fd, buffer, count);
    }
    return Real<ssize_t(int, void*, size_t)>("read")(fd, buffer, count);
}

I2C_CLIENT_EXPORT ssize_t __read_chk(int fd, void* buffer, size_t count, size_t room) {
    if (i2c_client::IsServed(fd, false)) {
        return ForwardRead(fd, buffer, std::min(count, room));
    }
    return Real<ssize_t(int, void*, size_t, size_t)>("__read_chk")(fd, buffer, count, room);
}

I2C_CLIENT_EXPORT ssize_t write(int fd, const void* buffer, size_t count) {
    if (i2c_client::IsServed(fd, false)) {
        return ForwardWrite(fd, buffer, count);
    }
    return Real<ssize_t(int, const void*, size_t)>("write")(fd, buffer, count);
}

I2C_CLIENT_EXPORT int dup(int fd) {
    return Duplicated(fd, Real<int(int)>("dup")(fd));
}

I2C_CLIENT_EXPORT int dup2(int fd, int new_fd) {
    if (fd != new_fd) {
        i2c_client::Forget(new_fd);
    }
    return Duplicated(fd, Real<int(int, int)>("dup2")(fd, new_fd));
}

I2C_CLIENT_EXPORT int dup3(int fd, int new_fd, int flags) {
    i2c_client::Forget(new_fd);
    return Duplicated(fd, Real<int(int, int, int)>("dup3")(fd, new_fd, flags));
}

#define FCNTL(name, real)                                                     \
    I2C_CLIENT_EXPORT int name(int fd, int command, ...) {                    \
        va_list args;                                                         \
        va_start(args, command);                                              \
        void* argument = va_arg(args, void*);                                 \
        va_end(args);                                                         \
        const int result = Real<FcntlFunction>(real)(fd, command, argument);  \
        const bool copies = command == F_DUPFD || command == F_DUPFD_CLOEXEC; \
        return copies ? Duplicated(fd, result) : result;                      \
    }
FCNTL(fcntl, "fcntl")
FCNTL(fcntl64, "fcntl64")
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
