// SPDX-License-Identifier: MIT
// Text for a standard stream that reads right in any language. The program's text is UTF-8;
// a Windows console shows bytes in its own code page, so it gets the text as UTF-16.
#pragma once

#include <cstdio>
#include <string_view>

// On Windows a console gets the text through WriteConsoleW; a file, a pipe and every
// stream on other systems get the UTF-8 bytes.
void WriteText(std::FILE* stream, std::string_view utf8);
