// SPDX-License-Identifier: MIT
// SIGTERM, SIGINT, SIGHUP (kill, Ctrl-C, a closed terminal or session) and every other signal
// that would end the program from outside close the window the ordinary way, so its unload
// closes the port. SIGPIPE is ignored.
#pragma once

class QWidget;

// Installs the handlers; from then on such a signal closes any message box that is up,
// then the window.
void CloseOnQuitSignals(QWidget& window);
