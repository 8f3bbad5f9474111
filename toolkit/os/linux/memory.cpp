// SPDX-License-Identifier: GPL-3.0-or-later
// Memory figures and the release block on Linux.
//
// Totals and swap come from sysinfo(2), which reports the same counters as
// /proc/meminfo at a fraction of the cost; only MemAvailable needs the file,
// which is kept open and re-read from offset 0 for every sample.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "toolkit/error.h"
#include "toolkit/os/linux/cgroup.h"
#include "toolkit/os/os.h"

namespace tk::os {
namespace {

[[noreturn]] void unavailable() { throw Error(ErrorCode::InvalidCall, "Memory status unavailable"); }

std::uint64_t mem_available() {
    static const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0) unavailable();
    // MemAvailable is the third line; the first 256 bytes always hold it.
    char buf[257];
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    if (n <= 0) unavailable();
    buf[n] = '\0';
    const char* p = std::strstr(buf, "MemAvailable:");
    if (!p) unavailable();
    p += sizeof "MemAvailable:" - 1;
    while (*p == ' ') ++p;
    std::uint64_t kb = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p, digits = true) kb = kb * 10 + static_cast<unsigned>(*p - '0');
    if (!digits) unavailable();
    return kb * 1024;
}

void release_block(void*, void* data, std::size_t bytes) { ::munmap(data, bytes); }

// Read at each claim: the program may be moved to another cgroup meanwhile.
std::string self_cgroup() {
    std::string text;
    const int fd = ::open("/proc/self/cgroup", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buf[1024];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

}  // namespace

std::uint64_t memory_figure(MemField field) {
    if (field == MemField::AvailPhys) return mem_available();
    struct sysinfo si;
    if (::sysinfo(&si) != 0) unavailable();
    const std::uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    switch (field) {
        case MemField::TotalPhys: return static_cast<std::uint64_t>(si.totalram) * unit;
        case MemField::TotalPage: return static_cast<std::uint64_t>(si.totalswap) * unit;
        case MemField::AvailPage: return static_cast<std::uint64_t>(si.freeswap) * unit;
        case MemField::AvailPhys: break;
    }
    unavailable();
}

BlankText blank_text(std::size_t chars) {
    if (chars > SIZE_MAX / sizeof(char16_t)) throw Error(ErrorCode::OutOfMemory, "Out of memory");
    const std::size_t bytes = chars * sizeof(char16_t);
    if (bytes == 0) return BlankText();
    // Claim only what free memory and swap can cover: overcommitting here
    // would make the kernel's OOM killer end some other program instead,
    // or, past the memory limit of the program's cgroup, the program itself.
    const std::uint64_t swap_free = memory_figure(MemField::AvailPage);
    const std::uint64_t room = memory_figure(MemField::AvailPhys) + swap_free;
    if (room < bytes || cgroup_room("/sys/fs/cgroup", self_cgroup(), swap_free) < bytes)
        throw Error(ErrorCode::OutOfMemory, "Out of memory");
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw Error(ErrorCode::OutOfMemory, "Out of memory");
    // Huge pages where the system offers them: far fewer faults for the same
    // bytes written. Refused or unsupported, it simply changes nothing.
    ::madvise(p, bytes, MADV_HUGEPAGE);
    auto* text = static_cast<char16_t*>(p);
    std::fill_n(text, chars, u' ');
    return BlankText(text, chars, &release_block);
}

}  // namespace tk::os
