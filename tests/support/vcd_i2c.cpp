// SPDX-License-Identifier: MIT
#include "tests/support/vcd_i2c.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

class I2cDecoder {
  public:
    void Change(const std::string& wire, bool level, long long time, VcdTrace& trace) {
        time_ = time;
        if (wire == "scl") {
            trace.scl.push_back({time, level});
            if (level && !scl_) {
                bits_ += sda_ ? '1' : '0';
                TakeByte();
            }
            scl_ = level;
        } else if (wire == "sda") {
            if (scl_ && level != sda_) {
                level ? Stop(trace) : Start();
            }
            sda_ = level;
        }
    }

  private:
    void Start() {
        if (current_.empty()) {
            started_ = time_;
            current_.assign(1, 'S');
            bits_.clear();
        } else {
            TakeLeftoverBits();
            current_ += " Sr";
        }
    }

    void Stop(VcdTrace& trace) {
        TakeLeftoverBits();
        trace.transactions.push_back(current_ + " P");
        trace.transaction_times.push_back({started_, time_});
        current_.clear();
        bits_.clear();
    }

    // Clocks short of a byte, less the SCL rise that set up the condition now on the wire.
    void TakeLeftoverBits() {
        if (!bits_.empty()) {
            bits_.pop_back();
        }
        if (!bits_.empty()) {
            current_ += " [" + bits_ + "]";
        }
        bits_.clear();
    }

    void TakeByte() {
        if (bits_.size() < 9) {
            return;
        }
        char text[8];
        std::snprintf(text, sizeof text, " %02X%c", std::stoi(bits_.substr(0, 8), nullptr, 2),
                      bits_[8] == '0' ? 'A' : 'N');
        current_ += text;
        bits_.clear();
    }

    bool scl_ = true;
    bool sda_ = true;
    long long time_ = 0;
    long long started_ = 0;
    std::string bits_;
    std::string current_;
};

// Nanoseconds per step of "$timescale 1 ns $end", "$timescale 10 us $end" and the like.
long long TimescaleNs(const std::string& line) {
    std::istringstream fields(line);
    std::string keyword;
    long long steps = 1;
    std::string unit;
    fields >> keyword >> steps >> unit;
    const long long per_unit = unit == "s"    ? 1'000'000'000
                               : unit == "ms" ? 1'000'000
                               : unit == "us" ? 1'000
                                              : 1;
    return steps * per_unit;
}

}  // namespace

VcdTrace ReadVcd(const std::string& path) {
    VcdTrace trace;
    std::ifstream file(path);
    std::map<std::string, std::string> names;
    I2cDecoder decoder;
    std::map<std::string, char> level = {{"scl", 'x'}, {"sda", 'x'}};
    // As sigrok reads a VCD: what changes at an instant counts once a later instant follows,
    // so the changes after the last instant in the file are never seen.
    long long instant = 0;
    long long step_ns = 1;
    bool have_instant = false;
    bool initial = false;
    std::vector<std::pair<std::string, char>> changes;
    const auto take_instant = [&] {
        if (!have_instant || (!initial && changes.empty())) {
            return;
        }
        trace.timestamps.push_back(instant);
        for (const auto& [wire, value] : changes) {
            level[wire] = value;
            decoder.Change(wire, value == '1', instant, trace);
        }
        trace.levels.push_back({level["scl"], level["sda"]});
        changes.clear();
        initial = false;
    };
    std::string line;
    bool in_dumpvars = false;
    while (std::getline(file, line)) {
        if (line.rfind("$timescale", 0) == 0) {
            step_ns = TimescaleNs(line);
        } else if (line.rfind("$var", 0) == 0) {
            std::istringstream fields(line);
            std::string keyword;
            std::string type;
            std::string width;
            std::string id;
            std::string name;
            fields >> keyword >> type >> width >> id >> name;
            names[id] = name;
            trace.wires.push_back(name);
        } else if (line == "$dumpvars") {
            in_dumpvars = true;
            initial = true;
        } else if (line == "$end") {
            in_dumpvars = false;
        } else if (!line.empty() && line[0] == '#') {
            take_instant();
            instant = std::stoll(line.substr(1)) * step_ns;
            have_instant = true;
        } else if (!line.empty() && (line[0] == '0' || line[0] == '1')) {
            const std::string& wire = names[line.substr(1)];
            if (in_dumpvars) {
                level[wire] = line[0];
            } else {
                changes.emplace_back(wire, line[0]);
            }
        }
    }
    return trace;
}
