// SPDX-License-Identifier: MIT
#include "app/process/standard_descriptors.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

void KeepStandardDescriptors() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            // The lowest free number: this one.
            open("/dev/null", O_RDWR);
        }
    }
#endif
}
