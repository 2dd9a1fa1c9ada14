// The text Label1 shows for a bearing: at least three digits, then the degree sign.
#pragma once

#include <QString>

#include <cstdint>

// 0 -> "000°", 45 -> "045°", 6554 -> "6554°"; a minus sign goes before the zeros.
QString BearingText(std::int32_t bearing);
