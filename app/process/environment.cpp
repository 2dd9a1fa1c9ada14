// SPDX-License-Identifier: MIT
#include "app/process/environment.h"

#include <cstdlib>

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

void ClearEnvironment(const char* name) {
#ifdef _WIN32
    // An empty value removes the variable on Windows.
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}
