// SPDX-License-Identifier: MIT
// Opens the bus on the given port (sim[:OPTIONS] or a device path), with an
// optional trace, for one test, and closes it again.
#pragma once

#include <functional>
#include <string>
#include <vector>

class BusSession {
  public:
    explicit BusSession(const std::string& port, const std::string& trace_path = "");
    ~BusSession();
    BusSession(const BusSession&) = delete;
    BusSession& operator=(const BusSession&) = delete;
};

// Messages the bus showed since the last call.
std::vector<std::string> TakeMessages();

// The I2C transactions on the wire while body runs on a bus opened on port, decoded from
// a bus trace.
std::vector<std::string> TrafficWhile(const std::string& port, const std::function<void()>& body);
