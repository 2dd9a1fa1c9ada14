// The one piece of user interface the bus needs. Each front end provides it: the window
// program shows a modal box with an OK button titled "Kolvaner", the command-line tool
// prints the text to stderr.
#pragma once

#include <string_view>

void ShowMessageBox(std::string_view text);
