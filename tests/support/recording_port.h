// SPDX-License-Identifier: MIT
// A port double that records every line operation, delay and message as one short token:
// D0/D1 and R0/R1 for DTR and RTS, C for a CTS sample, w for SettleDelay(1), O for OPENCOM,
// M for the message box. Tests compare the tokens, space-separated.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RecordingPort {
    std::int16_t open_result = 1;
    // Answers CTS samples in order; the last answer repeats.
    std::vector<std::int16_t> cts_answers = {1};
    // When set, answers CTS instead, e.g. from the levels last set.
    std::function<std::int16_t()> cts_model;
    std::vector<std::string> tokens;
    std::vector<std::string> messages;
    std::string open_settings;
    int dtr = -1;
    int rts = -1;
    std::size_t cts_samples = 0;

    std::string Log() const;
};

// Clears the recording and returns it for setting up.
RecordingPort& ResetPort();
RecordingPort& Port();
