// SPDX-License-Identifier: MIT
// What Form1 does, without a window toolkit: each front end's event handler calls the
// function here and only shows the result, so the Qt and Win32 windows behave alike.
#pragma once

#include <string>
#include <string_view>

// What one window remembers between its events.
struct Form1State {
    bool loaded = false;
    bool unloaded = false;
    bool port_failure_told = false;
    bool trace_problem_told = false;
};

// A port or trace problem is told once per window, as one line "kolvaner: ..." on stderr
// and to the echo below. Neither stops the window.

// Where each problem line goes besides stderr, from now on: kolvaner.exe, whose stderr
// mostly leads nowhere, sends it to the debugger as well.
void EchoProblemLines(void (*echo)(const std::string& line));

// Load: opens the bus; a port that does not open shows the failure box first, a bus trace
// that cannot be written is told.
void Form1Load(Form1State& form);

// Timer1's tick: reads the compass and returns Label1's new caption (UTF-8). A port that
// fails later on (an unplugged adapter) or a trace that stops is told.
std::string Form1Timer1Tick(Form1State& form);

// Unload: closes the port as it is, however the window goes, and tells a trace whose end
// could not be written. Only the first call after the load does anything; it returns true.
// A window that never loaded (it could not be created) leaves the port alone.
bool Form1Unload(Form1State& form);

// Testen: ten thermometer reads; nothing is kept.
void Form1Testen();

// meting: one thermometer read, then one read of the input port at 0x20.
void Form1Meting();

// The failure box's text (UTF-8): the bus's line, naming the port that was asked for
// when --port or KOLVANER_PORT names another than COM1; below it the system's reason, the
// serial ports this PC has, how to choose another and how to try without hardware.
std::string PortFailureBoxText(std::string_view bus_text);

// A problem told as above, such as a window that cannot be created.
void LogProblem(const std::string& problem);
// The port layer's reason for the failed open, told as above, for a program started from
// a shell.
void LogPortProblem();
