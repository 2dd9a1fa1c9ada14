// SPDX-License-Identifier: MIT
#include "app/i2c/i2c_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

#include "app/cli/cli_process.h"
#include "app/i2c/i2c_dev.h"
#include "app/i2c/i2c_socket.h"
#include "app/process/ending_signals.h"

namespace {

constexpr int kSignalExitBase = 128;
constexpr int kNotFound = 127;
constexpr int kNotExecutable = 126;
constexpr int kLookAgainMs = 100;

struct Connection {
    int fd = -1;
    I2cFileState file;
    // What came of the next request so far: the loop never waits for the rest of one, so a
    // program writing to the socket without the client cannot stop it.
    std::vector<std::uint8_t> pending;
};

bool Reply(Connection& connection, const WireRequest& request,
           std::span<const std::uint8_t> payload) {
    const I2cAnswer answer = AnswerI2cRequest(connection.file, request, payload);
    const WireReply reply{answer.result, static_cast<std::uint32_t>(answer.payload.size()), 0};
    std::vector<std::uint8_t> bytes(sizeof reply);
    std::memcpy(bytes.data(), &reply, sizeof reply);
    bytes.insert(bytes.end(), answer.payload.begin(), answer.payload.end());
    return SendWhole(connection.fd, bytes.data(), bytes.size());
}

// What has come on an opened /dev/i2c-N, and a reply to each whole request in it; false
// when the client is gone or sent something that is no request.
bool Answer(Connection& connection) {
    constexpr std::size_t kChunk = 65536;
    std::vector<std::uint8_t>& pending = connection.pending;
    const std::size_t had = pending.size();
    pending.resize(had + kChunk);
    const ssize_t got = recv(connection.fd, pending.data() + had, kChunk, MSG_DONTWAIT);
    pending.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got <= 0) {
        return got < 0 && (errno == EAGAIN || errno == EINTR);
    }
    WireRequest request{};
    while (pending.size() >= sizeof request) {
        std::memcpy(&request, pending.data(), sizeof request);
        const bool known = request.kind == WireKind::ioctl || request.kind == WireKind::read ||
                           request.kind == WireKind::write;
        if (!known || request.length > kMaxWirePayload) {
            return false;
        }
        const std::size_t whole = sizeof request + request.length;
        if (pending.size() < whole) {
            break;
        }
        if (!Reply(
                connection, request,
                std::span<const std::uint8_t>(pending).subspan(sizeof request, request.length))) {
            return false;
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(whole));
    }
    return true;
}

// The descriptor for one open: a socket for the bus, or a memory file with the listing.
int OpenedDescriptor(WireKind kind, const I2cServe& serve, std::optional<Connection>& added) {
    if (kind == WireKind::open_listing) {
        const int fd = memfd_create("proc-bus-i2c", MFD_CLOEXEC);
        if (fd >= 0 && (write(fd, serve.listing.data(), serve.listing.size()) !=
                            static_cast<ssize_t>(serve.listing.size()) ||
                        lseek(fd, 0, SEEK_SET) != 0)) {
            close(fd);
            return -1;
        }
        return fd;
    }
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return -1;
    }
    added = Connection{pair[0], {}, {}};
    return pair[1];
}

// An open request on the control socket, with the socket to answer on attached.
void AnswerOpen(int control, const I2cServe& serve, std::vector<Connection>& connections) {
    WireRequest request{};
    int answer_on = -1;
    if (!ReceiveWithDescriptor(control, &request, sizeof request, MSG_CMSG_CLOEXEC | MSG_DONTWAIT,
                               answer_on) ||
        answer_on < 0) {
        if (answer_on >= 0) {
            close(answer_on);
        }
        return;
    }
    std::optional<Connection> added;
    const bool known = request.kind == WireKind::open_bus || request.kind == WireKind::open_listing;
    const int opened = known ? OpenedDescriptor(request.kind, serve, added) : -1;
    const WireReply reply{opened >= 0 ? 0 : -(known ? ENOMEM : EINVAL), 0, 0};
    if (SendWithDescriptor(answer_on, &reply, sizeof reply, opened) && added) {
        connections.push_back(*added);
    } else if (added) {
        close(added->fd);
    }
    if (opened >= 0) {
        close(opened);
    }
    close(answer_on);
}

std::vector<std::string> Environment(const I2cServe& serve, int control) {
    std::vector<std::string> environment;
    std::string preload = serve.library;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (text.rfind("LD_PRELOAD=", 0) == 0) {
            preload += ":" + std::string(text.substr(11));
        } else if (text.rfind(std::string(kI2cEnvironment) + "=", 0) != 0) {
            environment.emplace_back(text);
        }
    }
    environment.push_back("LD_PRELOAD=" + preload);
    environment.push_back(std::string(kI2cEnvironment) + "=" + std::to_string(control) + " " +
                          std::to_string(serve.bus) + " " + std::to_string(getpid()));
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

int ExitStatus(int status) {
    return WIFSIGNALED(status) ? kSignalExitBase + WTERMSIG(status) : WEXITSTATUS(status);
}

// The signal goes on to the command; a command still there when the second signal comes (a
// second later at most) is killed.
int EndCommand(pid_t child) {
    kill(child, CaughtSignal());
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        if (LinesStopped()) {
            kill(child, SIGKILL);
        }
    }
    return kSignalExitBase + CaughtSignal();
}

// The command, started with the control socket's end in its environment; 0, or the exit
// status to give when it cannot run.
int StartCommand(const I2cServe& serve, int command_end, pid_t& child) {
    std::vector<std::string> arguments = serve.command;
    std::vector<std::string> environment = Environment(serve, command_end);
    const int error = posix_spawnp(&child, arguments[0].c_str(), nullptr, nullptr,
                                   Pointers(arguments).data(), Pointers(environment).data());
    if (error == 0) {
        return 0;
    }
    Complain("cannot run '" + arguments[0] + "': " + std::strerror(error));
    return error == ENOENT ? kNotFound : kNotExecutable;
}

// The control socket while opens may still come, then every open descriptor in order.
std::vector<pollfd> Watched(int control, bool opens_come,
                            const std::vector<Connection>& connections) {
    std::vector<pollfd> watched{{opens_come ? control : -1, POLLIN, 0}};
    for (const Connection& connection : connections) {
        watched.push_back({connection.fd, POLLIN, 0});
    }
    return watched;
}

// A reply to what came on each descriptor; a descriptor whose client is gone is closed.
void AnswerConnections(const std::vector<pollfd>& watched, std::vector<Connection>& connections) {
    for (std::size_t index = watched.size() - 1; index >= 1; --index) {
        if (watched[index].revents != 0 && !Answer(connections[index - 1])) {
            close(connections[index - 1].fd);
            connections.erase(connections.begin() + static_cast<long>(index - 1));
        }
    }
}

// Opens and requests answered until the command ends (its status then in status) or a
// signal comes.
void Serve(int control, const I2cServe& serve, pid_t child, int& status) {
    std::vector<Connection> connections;
    // Once every process that had the control socket has closed it, no more opens come.
    bool opens_come = true;
    while (CaughtSignal() == 0) {
        std::vector<pollfd> watched = Watched(control, opens_come, connections);
        poll(watched.data(), watched.size(), kLookAgainMs);
        if (waitpid(child, &status, WNOHANG) == child) {
            break;
        }
        if ((watched[0].revents & POLLIN) != 0) {
            AnswerOpen(control, serve, connections);
        } else if (watched[0].revents != 0) {
            opens_come = false;
        }
        AnswerConnections(watched, connections);
    }
    for (const Connection& connection : connections) {
        close(connection.fd);
    }
}

}  // namespace

int ServeI2c(const I2cServe& serve) {
    int control[2];
    // The command's end is inherited: no close-on-exec.
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, control) != 0) {
        Complain(std::string("cannot make the bus socket: ") + std::strerror(errno));
        return EXIT_FAILURE;
    }
    fcntl(control[0], F_SETFD, FD_CLOEXEC);
    pid_t child = 0;
    const int not_started = StartCommand(serve, control[1], child);
    close(control[1]);
    if (not_started != 0) {
        close(control[0]);
        return not_started;
    }
    int status = 0;
    Serve(control[0], serve, child, status);
    close(control[0]);
    return CaughtSignal() != 0 ? EndCommand(child) : ExitStatus(status);
}
