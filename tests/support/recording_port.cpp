// SPDX-License-Identifier: MIT
#include "tests/support/recording_port.h"

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"

namespace {
RecordingPort recording;
}

std::string RecordingPort::Log() const {
    std::string log;
    for (const std::string& token : tokens) {
        log += (log.empty() ? "" : " ") + token;
    }
    return log;
}

RecordingPort& ResetPort() {
    recording = RecordingPort{};
    return recording;
}

RecordingPort& Port() {
    return recording;
}

std::int16_t OPENCOM(const char* settings) {
    recording.tokens.push_back("O");
    recording.open_settings = settings;
    return recording.open_result;
}

void CLOSECOM() {
    recording.tokens.push_back("X");
}

void DTR(int level) {
    recording.dtr = level;
    recording.tokens.push_back("D" + std::to_string(level));
}

void RTS(int level) {
    recording.rts = level;
    recording.tokens.push_back("R" + std::to_string(level));
}

std::int16_t CTS() {
    recording.tokens.push_back("C");
    if (recording.cts_model) {
        return recording.cts_model();
    }
    const auto& answers = recording.cts_answers;
    const std::size_t index = std::min(recording.cts_samples++, answers.size() - 1);
    return answers[index];
}

void SettleDelay(const std::int16_t& count) {
    recording.tokens.push_back(count == 1 ? "w" : "w" + std::to_string(count));
}

void ShowMessageBox(std::string_view text) {
    recording.tokens.push_back("M");
    recording.messages.emplace_back(text);
}
