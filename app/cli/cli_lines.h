// SPDX-License-Identifier: MIT
// kolvaner-cli check and recover: the adapter's lines in plain words.
#pragma once

#include <string>

// Checks that CTS follows DTR and SDA is free, prints what is fine and what is wrong;
// 0 when the lines behave, 1 when not or when the port failed.
int RunCheck();

// The line check's verdict when CTS cannot be trusted (late, erratic, always high), or
// that the check was interrupted or its port failed, else empty: a scan through such an
// adapter would show devices that are not there.
std::string UntrustedCts();

// Clears a bus that a device holds and says whether SDA came free; 0 when it did.
int RunRecover();
