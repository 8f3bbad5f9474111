// SPDX-License-Identifier: GPL-3.0-or-later
// Memory figures and the release block on Windows.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "toolkit/error.h"
#include "toolkit/os/os.h"

namespace tk::os {
namespace {

void release_block(void*, void* data, std::size_t) { ::VirtualFree(data, 0, MEM_RELEASE); }

}  // namespace

std::uint64_t memory_figure(MemField field) {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    if (!::GlobalMemoryStatusEx(&ms)) throw Error(ErrorCode::InvalidCall, "Memory status unavailable");
    switch (field) {
        case MemField::TotalPhys: return ms.ullTotalPhys;
        case MemField::AvailPhys: return ms.ullAvailPhys;
        case MemField::TotalPage: return ms.ullTotalPageFile;
        case MemField::AvailPage: return ms.ullAvailPageFile;
    }
    throw Error(ErrorCode::InvalidCall, "Memory status unavailable");
}

BlankText blank_text(std::size_t chars) {
    if (chars > SIZE_MAX / sizeof(char16_t)) throw Error(ErrorCode::OutOfMemory, "Out of memory");
    const std::size_t bytes = chars * sizeof(char16_t);
    if (bytes == 0) return BlankText();
    // Committed up front: a claim the commit limit cannot cover fails here,
    // not later at some page in the middle of the writing.
    void* p = ::VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!p) throw Error(ErrorCode::OutOfMemory, "Out of memory");
    auto* text = static_cast<char16_t*>(p);
    std::fill_n(text, chars, u' ');
    return BlankText(text, chars, &release_block);
}

}  // namespace tk::os
