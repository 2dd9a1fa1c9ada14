// SPDX-License-Identifier: MIT
// The backend's line calls, spaced in time so the chips see standard-mode I2C: a change no
// sooner than half a period after the call that made the last change returned, a CTS read
// no sooner than that nor before the adapter has had time to report it.
#pragma once

#include <cstdint>
#include <optional>

#include "port/pacing/line_pacing.h"
#include "port/port_backend.h"

class PacedLines {
  public:
    // A newly opened port: no line level known yet, nothing measured.
    PacedLines(PortBackend& backend, const LinePacing& pacing)
        : backend_(&backend), pacing_(pacing) {}

    void SetPacing(const LinePacing& pacing) { pacing_ = pacing; }
    const LinePacing& Pacing() const { return pacing_; }
    PortBackend& Backend() { return *backend_; }

    // False, or -1 for CTS, when the call failed. A call that leaves a line where it is
    // goes out at once: the pins see no edge.
    bool SetLine(Line line, bool high);
    int Cts();

    // What one call took on average so far.
    std::int64_t LineCallNs() const { return line_calls_.Average(); }
    std::int64_t CtsCallNs() const { return cts_calls_.Average(); }

  private:
    struct CallTime {
        std::int64_t total_ns = 0;
        std::int64_t calls = 0;

        void Add(std::int64_t ns) {
            total_ns += ns;
            ++calls;
        }
        std::int64_t Average() const { return calls == 0 ? 0 : total_ns / calls; }
    };

    PortBackend* backend_;
    LinePacing pacing_;
    std::optional<bool> dtr_level_;
    std::optional<bool> rts_level_;
    std::int64_t last_change_end_ = 0;
    CallTime line_calls_;
    CallTime cts_calls_;
};
