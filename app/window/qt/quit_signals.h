// SPDX-License-Identifier: MIT
// SIGTERM, SIGINT and SIGHUP (kill, Ctrl-C, a closed terminal or session) close the window
// the ordinary way, so its unload closes the port.
#pragma once

class QWidget;

// Installs the handlers; from then on such a signal closes any message box that is up,
// then the window.
void CloseOnQuitSignals(QWidget& window);
