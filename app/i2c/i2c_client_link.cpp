// SPDX-License-Identifier: MIT
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/i2c/i2c_client.h"
#include "app/i2c/i2c_socket.h"

namespace i2c_client {
namespace {

struct ServedFd {
    int fd;
    dev_t device;
    ino_t inode;
};

constexpr int kMaxServed = 256;
constexpr long kMaxScannedFd = 4096;

int control_fd = -1;
int bus_number = -1;
pid_t server_pid = 0;
// One lock for the table and for each request with its reply, so threads that share a
// descriptor do not mix their replies.
pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
ServedFd served[kMaxServed];
// Read without the lock for the quick answer that nothing is served.
std::atomic<int> served_count{0};

struct Locked {
    Locked() { pthread_mutex_lock(&lock); }
    ~Locked() { pthread_mutex_unlock(&lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

void CloseDirectly(int fd) {
    syscall(SYS_close, fd);
}

// A stream socket whose other end the server made: one opened /dev/i2c-N.
bool ToServer(int fd, struct stat& status) {
    if (fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return false;
    }
    int type = 0;
    socklen_t type_size = sizeof type;
    ucred peer{};
    socklen_t peer_size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &type_size) == 0 && type == SOCK_STREAM &&
           getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &peer_size) == 0 &&
           peer.pid == server_pid;
}

void Remove(int index) {
    served[index] = served[--served_count];
}

// Still the same socket: a descriptor closed (by close, close_range or a raw system call)
// and its number reused for something else is no longer served. Entries go only here, never
// at a close: a child started with vfork shares this table until its exec.
bool StillServed(int index) {
    struct stat status {};
    return fstat(served[index].fd, &status) == 0 && status.st_dev == served[index].device &&
           status.st_ino == served[index].inode;
}

bool Lookup(int fd) {
    for (int index = 0; index < served_count; ++index) {
        if (served[index].fd == fd) {
            if (StillServed(index)) {
                return true;
            }
            Remove(index);
            return false;
        }
    }
    return false;
}

void Add(int fd, const struct stat& status) {
    for (int index = 0; index < served_count; ++index) {
        if (served[index].fd == fd) {
            served[index] = {fd, status.st_dev, status.st_ino};
            return;
        }
    }
    for (int index = served_count - 1; served_count == kMaxServed && index >= 0; --index) {
        if (!StillServed(index)) {
            Remove(index);
        }
    }
    if (served_count < kMaxServed) {
        served[served_count++] = {fd, status.st_dev, status.st_ino};
    }
}

}  // namespace

bool Start() {
    const char* setting = std::getenv(kI2cEnvironment);
    long pid = 0;
    if (setting == nullptr ||
        std::sscanf(setting, "%d %d %ld", &control_fd, &bus_number, &pid) != 3 || pid <= 0) {
        control_fd = -1;
        bus_number = -1;
        return false;
    }
    server_pid = static_cast<pid_t>(pid);
    rlimit limit{};
    const long highest = getrlimit(RLIMIT_NOFILE, &limit) == 0
                             ? std::min<long>(static_cast<long>(limit.rlim_cur), kMaxScannedFd)
                             : kMaxScannedFd;
    const Locked locked;
    for (int fd = 0; fd < highest; ++fd) {
        struct stat status {};
        if (fd != control_fd && ToServer(fd, status)) {
            Add(fd, status);
        }
    }
    return true;
}

int Bus() {
    return bus_number;
}

int OpenServed(WireKind kind, bool close_on_exec) {
    int pair[2];
    if (control_fd < 0 || socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        errno = ENODEV;
        return -1;
    }
    const Locked locked;
    const WireRequest request{kind, 0, static_cast<std::uint64_t>(bus_number)};
    const bool asked = SendWithDescriptor(control_fd, &request, sizeof request, pair[1]);
    CloseDirectly(pair[1]);
    WireReply reply{};
    int fd = -1;
    const bool answered = asked && ReceiveWithDescriptor(pair[0], &reply, sizeof reply,
                                                         close_on_exec ? MSG_CMSG_CLOEXEC : 0, fd);
    CloseDirectly(pair[0]);
    if (!answered || reply.result < 0 || fd < 0) {
        if (fd >= 0) {
            CloseDirectly(fd);
        }
        errno = answered && reply.result < 0 ? static_cast<int>(-reply.result) : ENODEV;
        return -1;
    }
    struct stat status {};
    if (kind == WireKind::open_bus && fstat(fd, &status) == 0) {
        Add(fd, status);
    }
    return fd;
}

bool IsServed(int fd, bool recognise) {
    if (control_fd < 0 || fd < 0 || (!recognise && served_count.load() == 0)) {
        return false;
    }
    const Locked locked;
    if (Lookup(fd)) {
        return true;
    }
    struct stat status {};
    if (recognise && ToServer(fd, status)) {
        Add(fd, status);
        return true;
    }
    return false;
}

void Copied(int fd, int new_fd) {
    const Locked locked;
    struct stat status {};
    if (Lookup(fd) && fstat(new_fd, &status) == 0) {
        Add(new_fd, status);
    }
}

long Forward(int fd, const WireRequest& request, const void* payload, void* reply,
             std::size_t reply_size, std::size_t* reply_length) {
    const Locked locked;
    WireReply answer{};
    if (!SendWhole(fd, &request, sizeof request) || !SendWhole(fd, payload, request.length) ||
        !ReceiveWhole(fd, &answer, sizeof answer)) {
        errno = ENODEV;
        return -1;
    }
    // A reply longer than the caller's room would break the stream: the excess is read off.
    const std::size_t kept = std::min<std::size_t>(answer.length, reply_size);
    if (!ReceiveWhole(fd, reply, kept)) {
        errno = ENODEV;
        return -1;
    }
    char rest[256];
    for (std::size_t left = answer.length - kept; left > 0;) {
        const std::size_t part = std::min(left, sizeof rest);
        if (!ReceiveWhole(fd, rest, part)) {
            errno = ENODEV;
            return -1;
        }
        left -= part;
    }
    if (reply_length != nullptr) {
        *reply_length = kept;
    }
    if (answer.result < 0) {
        errno = static_cast<int>(-answer.result);
        return -1;
    }
    return static_cast<long>(answer.result);
}

}  // namespace i2c_client
