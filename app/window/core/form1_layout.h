// SPDX-License-Identifier: MIT
// Form1's layout, the one description both front ends draw: geometry in twips (1/1440
// inch) relative to the client area, colours as 0x00BBGGRR, fonts in points.
#pragma once

#include <cmath>
#include <cstdint>

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

struct FontSpec {
    const char* family;
    double points;
    int weight;  // 400 regular, 700 bold
};

inline constexpr char kForm1Caption[] = "Kolvaner";
inline constexpr int kForm1ClientWidth = 2325;
inline constexpr int kForm1ClientHeight = 1935;
inline constexpr std::uint32_t kForm1BackColor = 0x0080FFFF;  // light yellow
inline constexpr FontSpec kForm1Font{"Arial", 48, 400};

inline constexpr TwipRect kLabel1Geometry{120, 120, 2055, 1215};
inline constexpr FontSpec kLabel1Font{"Arial", 48, 700};
inline constexpr std::uint32_t kLabel1ForeColor = 0x00004080;  // brown

inline constexpr TwipRect kLabel2Geometry{120, 1440, 2025, 360};
inline constexpr FontSpec kLabel2Font{"Arial", 9.75, 400};
inline constexpr std::uint32_t kLabel2ForeColor = 0x00000000;  // black
inline constexpr char kLabel2Caption[] = "Demo 26 feb KV";

inline constexpr int kTimer1IntervalMs = 500;

// The dots per inch a twip size was drawn for: 15 twips to the pixel.
inline constexpr int kDesignDpi = 96;

// Nearest whole pixel at the given dots per inch, halves rounded up.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

// A font's height in pixels (the em, without internal leading) at the given dots per inch,
// halves rounded up.
inline int PointsToPixels(double points, int dpi) {
    return static_cast<int>(std::lround(points * dpi / 72));
}

constexpr int RedOf(std::uint32_t colour) {
    return static_cast<int>(colour & 0xFF);
}
constexpr int GreenOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 8) & 0xFF);
}
constexpr int BlueOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 16) & 0xFF);
}
