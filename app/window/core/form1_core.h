// What Form1 does, without a window toolkit: each front end's event handler calls the
// function here and only shows the result, so the Qt and Win32 windows behave alike.
#pragma once

#include <string>
#include <string_view>

// What one window remembers between its events.
struct Form1State {
    bool unloaded = false;
    bool late_failure_told = false;
};

// Load: opens the bus; a port that does not open shows the failure box first.
void Form1Load();

// Timer1's tick: reads the compass and returns Label1's new caption (UTF-8). A port that
// fails later on (an unplugged adapter) is told on stderr, once.
std::string Form1Timer1Tick(Form1State& form);

// Unload: closes the port as it is, however the window goes. Only the first call per
// window does anything; it returns true.
bool Form1Unload(Form1State& form);

// Testen: ten thermometer reads; nothing is kept.
void Form1Testen();

// meting: one thermometer read, then one read of the input port at 0x20.
void Form1Meting();

// The failure box's text (UTF-8): the bus's line, naming the port that was asked for
// when KOLVANER_PORT names another than COM1, and the system's reason below it.
std::string PortFailureBoxText(std::string_view bus_text);

// The port layer's reason for the failed open on stderr, for a program started from a
// shell.
void LogPortProblem();
