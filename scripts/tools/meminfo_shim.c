// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the Linux program by e2e-a11y: /proc/meminfo opens the file
// named by TALUVEX_MEMINFO instead, so that free memory can be made low
// enough for the low-memory watch without starving the machine.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

static int open_as(const char* name, const char* path, int flags, va_list args) {
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, name);
    const char* stand_in = getenv("TALUVEX_MEMINFO");
    if (stand_in && strcmp(path, "/proc/meminfo") == 0) path = stand_in;
    return real(path, flags, va_arg(args, int));
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_as("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int fd = open_as("open64", path, flags, args);
    va_end(args);
    return fd;
}
