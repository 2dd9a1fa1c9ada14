// SPDX-License-Identifier: MIT
#include "port/trace/bus_trace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

constexpr char kScl = '!';
constexpr char kSda = '"';
constexpr char kSdaIn = '#';

// A transaction is kept and written at its stop; one that grows past this goes out early.
constexpr std::size_t kWriteAtLength = 65536;
constexpr char kInUse[] = "the trace is in use by another program";
constexpr char kReaderNotReading[] = "its reader is not reading";

char Level(bool high) {
    return high ? '1' : '0';
}

std::string Reason(int error) {
#ifndef _WIN32
    if (error == ENXIO) {
        // What a non-blocking open of a FIFO gives when nobody has it open for reading.
        return "a FIFO with no reader";
    }
#endif
    return std::strerror(error);
}

#ifdef _WIN32
// What _doserrno holds when another program has the file open for writing.
constexpr unsigned long kSharingViolation = 32;

// Opened denying others write access, so a second program cannot write into the same trace.
int OpenTraceFile(const std::string& path, std::string& refusal) {
    const int fd = _sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                          _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        refusal = _doserrno == kSharingViolation ? kInUse : Reason(errno);
    }
    return fd;
}

long WriteSome(int fd, const char* data, std::size_t size) {
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

void CutBack(int fd, long long length) {
    _chsize_s(fd, length);
}

int CloseFile(int fd) {
    return _close(fd);
}

// Writes to a file on Windows block until done.
bool WaitForRoom(int, const volatile std::sig_atomic_t*) {
    return false;
}
#else
// Never waits for a FIFO's reader. The lock is taken before the file is emptied, so a
// second program refused it leaves the first one's trace as it is.
int OpenTraceFile(const std::string& path, std::string& refusal) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        refusal = Reason(errno);
        return -1;
    }
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const bool lockable = regular || S_ISFIFO(info.st_mode);
    // A file system without locks still gets a trace.
    if (lockable && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        refusal = kInUse;
    } else if (regular && ftruncate(fd, 0) != 0) {
        refusal = Reason(errno);
    }
    if (!refusal.empty()) {
        close(fd);
        return -1;
    }
    return fd;
}

long WriteSome(int fd, const char* data, std::size_t size) {
    return write(fd, data, size);
}

// Fails harmlessly on a FIFO or a device, which keep nothing to cut.
void CutBack(int fd, long long length) {
    [[maybe_unused]] const int cut = ftruncate(fd, length);
}

int CloseFile(int fd) {
    return close(fd);
}

}  // namespace

bool WaitForRoom(int fd, const volatile std::sig_atomic_t* give_up) {
    using std::chrono::steady_clock;
    constexpr int kLookAgainMs = 100;
    constexpr std::chrono::seconds kEndingPatience{1};
    std::optional<steady_clock::time_point> give_up_at;
    for (;;) {
        if (give_up != nullptr && *give_up != 0 && !give_up_at) {
            give_up_at = steady_clock::now() + kEndingPatience;
        }
        if (give_up_at && steady_clock::now() >= *give_up_at) {
            return false;
        }
        pollfd out{fd, POLLOUT, 0};
        const int ready = poll(&out, 1, kLookAgainMs);
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

namespace {
#endif

// A comment stays on its line, whatever the path or message in it holds.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return text;
}

}  // namespace

void BusTrace::Open(const std::string& path, bool with_sda_in, bool scl, bool sda,
                    const volatile std::sig_atomic_t* give_up) {
    Close();
    *this = BusTrace();
    path_ = path;
    std::string refusal;
    fd_ = OpenTraceFile(path, refusal);
    if (fd_ < 0) {
        Fail(refusal);
        return;
    }
    give_up_ = give_up;
    with_sda_in_ = with_sda_in;
    scl_ = scl;
    sda_ = sda;
    std::string header =
        "$version kolvaner bus trace $end\n$timescale 1 ns $end\n"
        "$scope module bus $end\n";
    header += std::string("$var wire 1 ") + kScl + " scl $end\n";
    header += std::string("$var wire 1 ") + kSda + " sda $end\n";
    if (with_sda_in_) {
        header += std::string("$var wire 1 ") + kSdaIn + " sda_in $end\n";
    }
    header += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    header += std::string{Level(scl), kScl, '\n', Level(sda), kSda, '\n'};
    if (with_sda_in_) {
        header += std::string{'x', kSdaIn, '\n'};
    }
    Put(header + "$end\n");
    Flush();
}

void BusTrace::Close() {
    Flush();
    if (fd_ < 0) {
        return;
    }
    const int fd = fd_;
    fd_ = -1;
    if (CloseFile(fd) != 0 && problem_.empty()) {
        Fail(Reason(errno));
    }
}

void BusTrace::Stop(const std::string& why) {
    if (fd_ < 0) {
        return;
    }
    Flush();
    Put("$comment " + OneLine(why) + " $end\n");
    Close();
}

void BusTrace::Stamp(std::int64_t ns) {
    // Two changes within one tick of the clock still get instants of their own.
    last_ns_ = std::max(ns, last_ns_ + 1);
    Put("#" + std::to_string(last_ns_) + "\n");
}

void BusTrace::Change(char level, char wire) {
    const char line[] = {level, wire, '\n', '\0'};
    Put(line);
    changed_ = true;
}

void BusTrace::Put(const std::string& text) {
    if (fd_ < 0) {
        return;
    }
    pending_ += text;
    if (pending_.size() >= kWriteAtLength) {
        WriteOut();
    }
}

void BusTrace::WriteOut() {
    std::size_t done = 0;
    while (fd_ >= 0 && done < pending_.size()) {
        const long written = WriteSome(fd_, pending_.data() + done, pending_.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        const int error = written < 0 ? errno : EIO;
        if (error == EAGAIN && WaitForRoom(fd_, give_up_)) {
            continue;
        }
        // A full disk: no half record at the end, which a decoder would misread.
        CutBack(fd_, kept_);
        Fail(error == EAGAIN ? kReaderNotReading : Reason(error));
    }
    kept_ += static_cast<long long>(pending_.size());
    pending_.clear();
}

void BusTrace::Fail(const std::string& reason) {
    problem_ = "cannot write bus trace " + path_ + ": " + reason;
    if (fd_ >= 0) {
        CloseFile(fd_);
        fd_ = -1;
    }
}

void BusTrace::Lines(std::int64_t ns, bool scl, bool sda) {
    if (scl == scl_ && sda == sda_) {
        return;
    }
    Stamp(ns);
    if (scl != scl_) {
        Change(Level(scl), kScl);
        scl_ = scl;
    }
    if (sda != sda_) {
        Change(Level(sda), kSda);
        sda_ = sda;
    }
}

void BusTrace::DataSample(std::int64_t ns, bool level) {
    Stamp(ns);
    Change(Level(level), with_sda_in_ ? kSdaIn : kSda);
    if (!with_sda_in_) {
        sda_ = level;
    }
}

void BusTrace::Flush() {
    if (changed_) {
        Stamp(last_ns_ + 1);
        changed_ = false;
    }
    WriteOut();
}
