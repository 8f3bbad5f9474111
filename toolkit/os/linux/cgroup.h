// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room the program's memory cgroups leave it. A container, a systemd
// service or slice with MemoryMax=, a desktop sandbox: the kernel ends a
// program that outgrows such a limit, however much the machine has free.
#include <cstdint>
#include <string>
#include <string_view>

namespace tk::os {

// The bytes the program may still claim under the memory limits of its
// cgroup and each parent up to the root, the tightest of them; UINT64_MAX
// where none limits it. `root` is where the hierarchies are mounted
// (/sys/fs/cgroup), `self_cgroup` the text of /proc/self/cgroup, and
// `swap_free` the machine's free swap, which a limit lets the program spill
// into as far as the cgroup's own swap limit allows.
std::uint64_t cgroup_room(const std::string& root, std::string_view self_cgroup, std::uint64_t swap_free);

}  // namespace tk::os
