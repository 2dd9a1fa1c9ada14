// SPDX-License-Identifier: MIT
// The one piece of user interface the bus needs: OpenBus shows the text when the port does
// not open. Each front end provides it: the window program shows a modal box with an OK
// button titled "Kolvaner"; kolvaner-cli shows nothing here and says why on stderr, in its
// own words from PortProblem(), once OpenBus returns.
#pragma once

#include <string_view>

void ShowMessageBox(std::string_view text);
