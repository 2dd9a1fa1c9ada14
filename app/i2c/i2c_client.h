// SPDX-License-Identifier: MIT
// The preloaded client's link to kolvaner-cli i2c: the descriptors it serves and the
// requests it forwards. Every call here goes to the system directly, never back through
// the client's own interposers, and none installs a signal handler.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "app/i2c/i2c_wire.h"

namespace i2c_client {

// Reads KOLVANER_I2C and takes in the served descriptors the process inherited; false
// when no server is named, and then nothing is served.
bool Start();

// The bus number served, or -1.
int Bus();

// Asks the server for a descriptor: a bus socket (added to the served ones) or the
// listing. -1 with errno set when it cannot.
int OpenServed(WireKind kind, bool close_on_exec);

// Whether fd is a served descriptor. With recognise, a socket to the server the client
// has not seen yet (a dup made by a raw system call) is taken in.
bool IsServed(int fd, bool recognise);
// new_fd now names what fd names.
void Copied(int fd, int new_fd);

// One request and its reply: the result, or -1 with errno set. The reply's payload goes to
// reply (at most reply_size bytes), and its length to *reply_length.
long Forward(int fd, const WireRequest& request, const void* payload, void* reply,
             std::size_t reply_size, std::size_t* reply_length);

// The calls on a served descriptor, as i2c-dev answers them.
long ForwardIoctl(int fd, unsigned long request, void* argument);
ssize_t ForwardRead(int fd, void* buffer, std::size_t count);
ssize_t ForwardWrite(int fd, const void* buffer, std::size_t count);

}  // namespace i2c_client
