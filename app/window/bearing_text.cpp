#include "app/window/bearing_text.h"

#include <cstdlib>

QString BearingText(std::int32_t bearing) {
    constexpr int kMinimumDigits = 3;
    // Widened first: the magnitude of the lowest 32-bit value does not fit in 32 bits.
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(bearing));
    QString text = QString::number(magnitude).rightJustified(kMinimumDigits, u'0');
    if (bearing < 0) {
        text.prepend(u'-');
    }
    return text + u'\u00B0';
}
