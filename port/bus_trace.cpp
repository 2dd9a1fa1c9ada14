// SPDX-License-Identifier: MIT
#include "port/bus_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr char kScl = '!';
constexpr char kSda = '"';
constexpr char kSdaIn = '#';

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

// The file for writing, without waiting for a reader when it is a FIFO.
std::FILE* OpenForWriting(const std::string& path) {
#ifdef _WIN32
    return std::fopen(path.c_str(), "w");
#else
    const int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = nullptr;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
        file = fdopen(fd, "w");
    }
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
#endif
}

// A comment stays on its line, whatever the path or message in it holds.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return text;
}

}  // namespace

void BusTrace::Open(const std::string& path, bool with_sda_in, bool scl, bool sda) {
    Close();
    problem_.clear();
    path_ = path;
    file_ = OpenForWriting(path);
    if (file_ == nullptr) {
        problem_ = "cannot write bus trace " + path + ": " + Reason(errno);
        return;
    }
    with_sda_in_ = with_sda_in;
    opened_ = std::chrono::steady_clock::now();
    last_ns_ = 0;
    sda_ = sda;
    changed_ = false;
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
    if (file_ != nullptr && changed_) {
        Stamp();
    }
    changed_ = false;
    if (file_ == nullptr) {
        return;
    }
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0 && problem_.empty()) {
        problem_ = "cannot write bus trace " + path_ + ": " + Reason(errno);
    }
}

void BusTrace::Stop(const std::string& why) {
    if (file_ == nullptr) {
        return;
    }
    Flush();
    Put("$comment " + OneLine(why) + " $end\n");
    Close();
}

void BusTrace::Stamp() {
    using std::chrono::duration_cast;
    using std::chrono::nanoseconds;
    const long long now =
        duration_cast<nanoseconds>(std::chrono::steady_clock::now() - opened_).count();
    // Two operations within one tick of the clock still get instants of their own.
    last_ns_ = std::max(now, last_ns_ + 1);
    Put("#" + std::to_string(last_ns_) + "\n");
}

void BusTrace::Change(char level, char wire) {
    const char line[] = {level, wire, '\n', '\0'};
    Put(line);
    changed_ = true;
}

void BusTrace::Put(const std::string& text) {
    if (file_ != nullptr && std::fputs(text.c_str(), file_) < 0) {
        Fail(Reason(errno));
    }
}

void BusTrace::Fail(const std::string& reason) {
    problem_ = "cannot write bus trace " + path_ + ": " + reason;
    std::fclose(file_);
    file_ = nullptr;
}

void BusTrace::Clock(bool scl, bool sda) {
    Stamp();
    Change(Level(scl), kScl);
    if (sda != sda_) {
        Change(Level(sda), kSda);
        sda_ = sda;
    }
}

void BusTrace::Data(bool sda) {
    Stamp();
    Change(Level(sda), kSda);
    sda_ = sda;
}

void BusTrace::DataSample(bool level) {
    Stamp();
    Change(Level(level), with_sda_in_ ? kSdaIn : kSda);
}

void BusTrace::Flush() {
    if (changed_) {
        Stamp();
        changed_ = false;
    }
    if (file_ != nullptr && std::fflush(file_) != 0) {
        Fail(Reason(errno));
    }
}
