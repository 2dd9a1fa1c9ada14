// SPDX-License-Identifier: MIT
#include "app/process/printable.h"

#include <cstdio>

namespace {

// What a UTF-8 sequence's first byte says: its length (0 when it starts none), its bits of
// the code point, and the range the second byte must lie in (the others are 0x80-0xBF).
struct Utf8Lead {
    std::size_t length;
    char32_t bits;
    unsigned char low;
    unsigned char high;
};

Utf8Lead LeadOf(unsigned char lead) {
    if (lead < 0x80) {
        return {1, lead, 0x80, 0xBF};
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return {2, lead & 0x1FU, 0x80, 0xBF};
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return {3, lead & 0x0FU, static_cast<unsigned char>(lead == 0xE0 ? 0xA0 : 0x80),
                static_cast<unsigned char>(lead == 0xED ? 0x9F : 0xBF)};
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return {4, lead & 0x07U, static_cast<unsigned char>(lead == 0xF0 ? 0x90 : 0x80),
                static_cast<unsigned char>(lead == 0xF4 ? 0x8F : 0xBF)};
    }
    return {0, 0, 0, 0};
}

// The length of the well-formed UTF-8 sequence text starts with, and its code point; 0 when
// the first byte starts none (RFC 3629: no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut short).
std::size_t Utf8Sequence(std::string_view text, char32_t& code_point) {
    const Utf8Lead lead = LeadOf(static_cast<unsigned char>(text[0]));
    if (lead.length == 0 || text.size() < lead.length) {
        return 0;
    }
    code_point = lead.bits;
    for (std::size_t index = 1; index < lead.length; ++index) {
        const auto next = static_cast<unsigned char>(text[index]);
        if (next < (index == 1 ? lead.low : 0x80) || next > (index == 1 ? lead.high : 0xBF)) {
            return 0;
        }
        code_point = (code_point << 6U) | (next & 0x3FU);
    }
    return lead.length;
}

// The C0 and C1 controls and DEL, which move a terminal's cursor or start its escape
// sequences, and the bidirectional controls (embeddings, overrides, isolates and marks),
// which reorder the text around them.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string Escape(const char* format, unsigned value) {
    char escaped[12];
    std::snprintf(escaped, sizeof escaped, format, value);
    return escaped;
}

}  // namespace

std::string Printable(std::string_view text) {
    std::string shown;
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t length = Utf8Sequence(text, c);
        if (length == 0) {
            shown += Escape("\\x%02x", static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (IsControl(c)) {
            shown += Escape(c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
        } else {
            shown += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
    return shown;
}
