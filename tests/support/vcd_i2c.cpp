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

}  // namespace

VcdTrace ReadVcd(const std::string& path) {
    VcdTrace trace;
    std::ifstream file(path);
    std::map<std::string, std::string> names;
    I2cDecoder decoder;
    std::map<std::string, char> level = {{"scl", 'x'}, {"sda", 'x'}};
    const auto take_levels = [&] {
        if (!trace.timestamps.empty()) {
            trace.levels.push_back({level["scl"], level["sda"]});
        }
    };
    std::string line;
    bool in_dumpvars = false;
    while (std::getline(file, line)) {
        if (line.rfind("$var", 0) == 0) {
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
        } else if (line == "$end") {
            in_dumpvars = false;
        } else if (!line.empty() && line[0] == '#') {
            take_levels();
            trace.timestamps.push_back(std::stoll(line.substr(1)));
        } else if (!line.empty() && (line[0] == '0' || line[0] == '1')) {
            const std::string& wire = names[line.substr(1)];
            level[wire] = line[0];
            if (!in_dumpvars) {
                const long long now = trace.timestamps.empty() ? 0 : trace.timestamps.back();
                decoder.Change(wire, line[0] == '1', now, trace);
            }
        }
    }
    take_levels();
    return trace;
}
