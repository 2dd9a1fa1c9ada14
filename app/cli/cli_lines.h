// SPDX-License-Identifier: MIT
// kolvaner-cli check and recover: the adapter's lines in plain words.
#pragma once

// Checks that CTS follows DTR and SDA is free, prints what is fine and what is wrong;
// 0 when the lines behave, 1 when not or when the port failed.
int RunCheck();

// Clears a bus that a device holds and says whether SDA came free; 0 when it did.
int RunRecover();
