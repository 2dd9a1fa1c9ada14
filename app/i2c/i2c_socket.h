// SPDX-License-Identifier: MIT
// Whole requests and replies between the client and the server, and the descriptors
// handed over with them: a signal that interrupts a call is ridden out, a peer gone ends it.
// sendmsg, recvmsg, send and recv are not among the client's interposers, so the client uses these
// too.
#pragma once

#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

// False when the peer has gone (no SIGPIPE) or the socket failed.
inline bool SendWhole(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// False at the end of the stream or when the socket failed.
inline bool ReceiveWhole(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = recv(fd, bytes, size, MSG_WAITALL);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// One message of size bytes with fd attached, none for -1; false when it did not go.
inline bool SendWithDescriptor(int socket, const void* data, std::size_t size, int fd) {
    iovec part{const_cast<void*>(data), size};
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (fd >= 0) {
        message.msg_control = space;
        message.msg_controllen = sizeof space;
        cmsghdr* attached = CMSG_FIRSTHDR(&message);
        attached->cmsg_level = SOL_SOCKET;
        attached->cmsg_type = SCM_RIGHTS;
        attached->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(attached), &fd, sizeof fd);
    }
    return sendmsg(socket, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// One message of exactly size bytes and the descriptor attached to it (-1 for none, which
// the caller may take as a failure); false for anything else. flags: MSG_CMSG_CLOEXEC,
// MSG_DONTWAIT.
inline bool ReceiveWithDescriptor(int socket, void* data, std::size_t size, int flags, int& fd) {
    iovec part{data, size};
    alignas(cmsghdr) char space[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = space;
    message.msg_controllen = sizeof space;
    ssize_t got = -1;
    while ((got = recvmsg(socket, &message, flags)) < 0 && errno == EINTR) {
    }
    fd = -1;
    const cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (got >= 0 && header != nullptr && header->cmsg_level == SOL_SOCKET &&
        header->cmsg_type == SCM_RIGHTS) {
        std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    }
    return got == static_cast<ssize_t>(size);
}
