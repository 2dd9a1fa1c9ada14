// SPDX-License-Identifier: MIT
// Bus trace as a Value Change Dump (VCD) for PulseView, GTKWave or sigrok-cli: times in
// nanoseconds since the port opened, as the caller gives them: the host's monotonic clock
// on a real port, the simulated time at the pins on the simulated bus.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

#ifndef _WIN32
// A pipe or FIFO whose reader is slow: waits until it has room for PIPE_BUF bytes (true),
// or until poll reports the reader gone (false). A signal during poll is no verdict; once
// *give_up is set the program is ending, and a reader that makes no room for a second then
// is not reading (false).
bool WaitForRoom(int fd, const volatile std::sig_atomic_t* give_up);
#endif

class BusTrace {
  public:
    // Starts a trace in the file; with_sda_in adds the sampled CTS level as its own wire.
    // Opening never blocks: a FIFO nobody reads is refused, and so is a file another program
    // is tracing into (it holds the file's lock). A file that can't be written leaves the
    // trace off and Problem() saying why. A slow reader of a pipe or FIFO is waited for;
    // once *give_up is set, for a second at most without room made.
    void Open(const std::string& path, bool with_sda_in, bool scl, bool sda,
              const volatile std::sig_atomic_t* give_up);
    // Ends the file with an instant after the last change, so a decoder sees that change.
    void Close();
    // Says in the file why the trace ends here, then closes it.
    void Stop(const std::string& why);
    bool IsOn() const { return fd_ >= 0; }

    // The lines' levels from time ns on; times never run backwards in the file.
    void Lines(std::int64_t ns, bool scl, bool sda);
    // A CTS sample: the sda_in wire, or sda when there is none.
    void DataSample(std::int64_t ns, bool level);
    // At the end of a transaction: an instant after its stop, and everything into the file,
    // so a killed program leaves a trace that decodes to the end. A write that fails (a full
    // disk) cuts the file back to the end of the last transaction written in full.
    void Flush();

    // Why the trace could not be opened or written: the file and the system's reason, once.
    const std::string& Problem() const { return problem_; }

  private:
    void Stamp(std::int64_t ns);
    void Change(char level, char wire);
    void Put(const std::string& text);
    void WriteOut();
    // Says why in Problem() and closes the file, if open.
    void Fail(const std::string& reason);

    int fd_ = -1;
    const volatile std::sig_atomic_t* give_up_ = nullptr;
    // Written at the next Flush, or earlier when it grows large.
    std::string pending_;
    // The length of the file up to the end of the last piece written in full.
    long long kept_ = 0;
    std::string path_;
    std::string problem_;
    bool with_sda_in_ = false;
    bool scl_ = true;
    bool sda_ = true;
    // A change written since the last instant: a decoder only sees it once a later one comes.
    bool changed_ = false;
    std::int64_t last_ns_ = 0;
};
