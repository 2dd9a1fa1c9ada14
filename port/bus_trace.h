// SPDX-License-Identifier: MIT
// Bus trace as a Value Change Dump (VCD) for PulseView, GTKWave or sigrok-cli: real
// monotonic times in nanoseconds, one instant per line operation.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class BusTrace {
  public:
    // Starts a trace in the file; with_sda_in adds the sampled CTS level as its own wire.
    // Never blocks: a FIFO nobody reads is refused. A file that can't be written leaves the
    // trace off and Problem() saying why.
    void Open(const std::string& path, bool with_sda_in, bool scl, bool sda);
    // Ends the file with an instant after the last change, so a decoder sees that change.
    void Close();
    // Says in the file why the trace ends here, then closes it.
    void Stop(const std::string& why);
    bool IsOn() const { return file_ != nullptr; }

    // One line operation each. On the simulated bus a clock edge can move SDA too (a
    // device answering), so Clock takes the SDA level after it.
    void Clock(bool scl, bool sda);
    void Data(bool sda);
    // A CTS sample: the sda_in wire, or sda when there is none.
    void DataSample(bool level);
    // At the end of a transaction: an instant after its stop, and everything onto the disk,
    // so a killed program leaves a trace that decodes to the end.
    void Flush();

    // Why the trace could not be opened or written: the file and the system's reason, once.
    const std::string& Problem() const { return problem_; }

  private:
    void Stamp();
    void Change(char level, char wire);
    void Put(const std::string& text);
    void Fail(const std::string& reason);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string problem_;
    bool with_sda_in_ = false;
    bool sda_ = true;
    // A change written since the last instant: a decoder only sees it once a later one comes.
    bool changed_ = false;
    std::chrono::steady_clock::time_point opened_;
    long long last_ns_ = 0;
};
