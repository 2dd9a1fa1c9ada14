// SPDX-License-Identifier: MIT
// The signals that end a program from outside (Ctrl-C, kill, a closed terminal, a timer), taken
// over so that the program closes its port the ordinary way instead of dying with it raw.
#pragma once

#include <csignal>

// Catches every signal whose default action ends the process, but for the faults of the
// program itself (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGABRT): SIGINT,
// SIGTERM and, on POSIX, SIGHUP, SIGQUIT (no core dump then), SIGPIPE, SIGALRM, SIGUSR1,
// SIGUSR2, the resource-limit and timer signals and the real-time ones. Interrupted system
// calls are not restarted, so a write blocked on a reader returns. After the handler notes
// the signal it calls then(signal_number), if given, e.g. to wake an event loop.
//
// The read under way gets a second to finish its transaction and leave the bus idle; after
// that (or at a second signal) the line operations stop (InterruptLineOperations), so a
// slow adapter or a trace's stuck reader cannot hold the program.
void CatchEndingSignals(void (*then)(int) = nullptr);

// The first ending signal that came, 0 while none came; the flag holds it too.
int CaughtSignal();
const volatile std::sig_atomic_t* CaughtSignalFlag();

// True once the line operations were stopped: a read under way came out wrong.
bool LinesStopped();
