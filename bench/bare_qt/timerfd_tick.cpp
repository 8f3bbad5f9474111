// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under every tick: a kernel timer at 64 Hz and a blocking read,
// with no toolkit, no window and no event loop.
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

int main() {
    const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0) return 1;
    const itimerspec every{{0, 1000000000 / 64}, {0, 1000000000 / 64}};
    if (::timerfd_settime(fd, 0, &every, nullptr) != 0) return 1;
    std::uint64_t expired;
    while (::read(fd, &expired, sizeof expired) == sizeof expired) {
    }
    return 1;
}
