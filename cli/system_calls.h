// The system calls of the program's input and output, through one table so
// that tests can make them fail (EINTR, short writes, a failing fsync or
// rename), as fmt's posix tests do. The program uses the real ones.
#pragma once

#include <sys/types.h>

namespace ostrevin::calc {

struct SystemCalls {
  ssize_t (*read)(int fd, void* buffer, size_t size);
  ssize_t (*write)(int fd, const void* buffer, size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
};

// The table in use; a test swaps entries and puts them back.
SystemCalls& Sys();

}  // namespace ostrevin::calc
