// Bus trace as a Value Change Dump (VCD) for PulseView, GTKWave or sigrok-cli.
#pragma once

#include <chrono>
#include <cstdio>

class BusTrace {
  public:
    // Starts a trace in the file; with_sda_in adds the sampled CTS level as its own wire.
    // A file that can't be created is reported on stderr; the trace then stays off.
    void Open(const char* path, bool with_sda_in, bool scl, bool sda);
    void Close();
    bool IsOn() const { return file_ != nullptr; }

    // One line operation each. On the simulated bus a clock edge can move SDA too (a
    // device answering), so Clock takes the SDA level after it.
    void Clock(bool scl, bool sda);
    void Data(bool sda);
    // A CTS sample: the sda_in wire, or sda when there is none.
    void DataSample(bool level);
    // Called at the end of a transaction so a killed program leaves a complete trace.
    void Flush();

  private:
    void Stamp();

    std::FILE* file_ = nullptr;
    bool with_sda_in_ = false;
    bool sda_ = true;
    std::chrono::steady_clock::time_point opened_;
    long long last_us_ = 0;
};
