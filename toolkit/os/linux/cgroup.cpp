// SPDX-License-Identifier: GPL-3.0-or-later
// Memory limits on cgroup v2 (memory.max, memory.swap.max) and v1
// (memory.limit_in_bytes, memory.memsw.limit_in_bytes). A level whose files
// say "max", are missing or cannot be read sets no limit.
#include "toolkit/os/linux/cgroup.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace tk::os {
namespace {

constexpr std::uint64_t kNone = UINT64_MAX;
// v1 writes "no limit" as the largest page-aligned signed 64-bit number.
constexpr std::uint64_t kV1NoLimit = 1ull << 62;

std::uint64_t read_value(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kNone;
    char buf[32];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    if (n <= 0) return kNone;
    std::uint64_t v = 0;
    ssize_t i = 0;
    for (; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i) v = v * 10 + static_cast<unsigned>(buf[i] - '0');
    // "max", or anything else that is not a number.
    if (i == 0 || (i < n && buf[i] != '\n')) return kNone;
    return v;
}

std::uint64_t left(std::uint64_t limit, std::uint64_t used) { return limit > used ? limit - used : 0; }

std::uint64_t plus(std::uint64_t a, std::uint64_t b) { return a > kNone - b ? kNone : a + b; }

std::uint64_t v2_room(const std::string& dir, std::uint64_t swap_free) {
    const std::uint64_t max = read_value(dir + "/memory.max"), current = read_value(dir + "/memory.current");
    if (max == kNone || current == kNone) return kNone;
    std::uint64_t swap = swap_free;
    if (swap > 0) {
        const std::uint64_t swap_max = read_value(dir + "/memory.swap.max");
        const std::uint64_t swap_current = read_value(dir + "/memory.swap.current");
        if (swap_max != kNone) swap = std::min(swap, left(swap_max, swap_current == kNone ? 0 : swap_current));
    }
    return plus(left(max, current), swap);
}

std::uint64_t v1_room(const std::string& dir, std::uint64_t swap_free) {
    const std::uint64_t limit = read_value(dir + "/memory.limit_in_bytes");
    const std::uint64_t usage = read_value(dir + "/memory.usage_in_bytes");
    if (limit >= kV1NoLimit || usage == kNone) return kNone;
    std::uint64_t room = left(limit, usage);
    if (swap_free > 0) {
        room = plus(room, swap_free);
        // memsw counts memory and swap together, where swap is accounted.
        const std::uint64_t both = read_value(dir + "/memory.memsw.limit_in_bytes");
        const std::uint64_t both_used = read_value(dir + "/memory.memsw.usage_in_bytes");
        if (both < kV1NoLimit && both_used != kNone) room = std::min(room, left(both, both_used));
    }
    return room;
}

bool has_memory(std::string_view controllers) {
    while (!controllers.empty()) {
        const std::size_t comma = controllers.find(',');
        if (controllers.substr(0, comma) == "memory") return true;
        if (comma == std::string_view::npos) break;
        controllers.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

std::uint64_t cgroup_room(const std::string& root, std::string_view self_cgroup, std::uint64_t swap_free) {
    // Lines are "id:controllers:path"; v2's is "0::path". Where v1 mounts
    // the memory controller, the v2 hierarchy beside it has none.
    std::string base, path;
    bool v1 = false;
    while (!self_cgroup.empty()) {
        const std::size_t end = self_cgroup.find('\n');
        const std::string_view line = self_cgroup.substr(0, end);
        self_cgroup.remove_prefix(end == std::string_view::npos ? self_cgroup.size() : end + 1);
        const std::size_t a = line.find(':'), b = a == std::string_view::npos ? a : line.find(':', a + 1);
        if (b == std::string_view::npos) continue;
        const std::string_view controllers = line.substr(a + 1, b - a - 1);
        if (has_memory(controllers)) {
            base = root + "/" + std::string(controllers);
            path = line.substr(b + 1);
            v1 = true;
            break;
        }
        if (line.substr(0, b + 1) == "0::") {
            // Beside v1 hierarchies (hybrid), v2 is mounted at unified/.
            base = ::access((root + "/cgroup.controllers").c_str(), F_OK) == 0 ? root : root + "/unified";
            path = line.substr(b + 1);
        }
    }
    if (base.empty()) return kNone;
    std::uint64_t room = kNone;
    // From the program's own cgroup up to the root of its hierarchy.
    while (true) {
        const std::string dir = base + path;
        room = std::min(room, v1 ? v1_room(dir, swap_free) : v2_room(dir, swap_free));
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || path.empty()) break;
        path.erase(slash);
    }
    return room;
}

}  // namespace tk::os
