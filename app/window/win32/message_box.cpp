// SPDX-License-Identifier: MIT
// The window program's message box: modal, OK only, titled with the program's name.
#include "bus/message_box.h"

#include "app/process/wide_text.h"
#include "app/window/core/form1_core.h"
#include "app/window/core/form1_layout.h"

void ShowMessageBox(std::string_view text) {
    LogPortProblem();
    // Task-modal: the window of this thread, still hidden during the load, waits for OK.
    MessageBoxW(nullptr, WideText(PortFailureBoxText(text)).c_str(),
                WideText(kForm1Caption).c_str(),
                MB_OK | MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
}
