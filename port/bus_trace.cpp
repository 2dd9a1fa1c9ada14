#include "port/bus_trace.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char kScl = '!';
constexpr char kSda = '"';
constexpr char kSdaIn = '#';

char Level(bool high) {
    return high ? '1' : '0';
}

}  // namespace

void BusTrace::Open(const char* path, bool with_sda_in, bool scl, bool sda) {
    Close();
    file_ = std::fopen(path, "w");
    if (file_ == nullptr) {
        std::fprintf(stderr, "kolvaner: cannot write bus trace %s: %s\n", path,
                     std::strerror(errno));
        return;
    }
    with_sda_in_ = with_sda_in;
    opened_ = std::chrono::steady_clock::now();
    last_us_ = 0;
    sda_ = sda;
    std::fprintf(file_,
                 "$version kolvaner bus trace $end\n"
                 "$timescale 1 us $end\n"
                 "$scope module bus $end\n"
                 "$var wire 1 %c scl $end\n"
                 "$var wire 1 %c sda $end\n",
                 kScl, kSda);
    if (with_sda_in_) {
        std::fprintf(file_, "$var wire 1 %c sda_in $end\n", kSdaIn);
    }
    std::fprintf(file_, "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n%c%c\n%c%c\n",
                 Level(scl), kScl, Level(sda), kSda);
    if (with_sda_in_) {
        std::fprintf(file_, "x%c\n", kSdaIn);
    }
    std::fprintf(file_, "$end\n");
    Flush();
}

void BusTrace::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void BusTrace::Stamp() {
    using std::chrono::duration_cast;
    using std::chrono::microseconds;
    const auto elapsed = std::chrono::steady_clock::now() - opened_;
    const long long now = duration_cast<microseconds>(elapsed).count();
    // Every operation gets its own instant, even when the clock has not moved on.
    last_us_ = now > last_us_ ? now : last_us_ + 1;
    std::fprintf(file_, "#%lld\n", last_us_);
}

void BusTrace::Clock(bool scl, bool sda) {
    Stamp();
    std::fprintf(file_, "%c%c\n", Level(scl), kScl);
    if (sda != sda_) {
        std::fprintf(file_, "%c%c\n", Level(sda), kSda);
        sda_ = sda;
    }
}

void BusTrace::Data(bool sda) {
    Stamp();
    std::fprintf(file_, "%c%c\n", Level(sda), kSda);
    sda_ = sda;
}

void BusTrace::DataSample(bool level) {
    Stamp();
    std::fprintf(file_, "%c%c\n", Level(level), with_sda_in_ ? kSdaIn : kSda);
}

void BusTrace::Flush() {
    std::fflush(file_);
}
