// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program asks of the operating system: memory, the release block,
// its arguments, files, programs and the registry. tk::os::RealSystem answers
// from this system; the headless backend answers from a script.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace tk {

enum class MemField { TotalPhys, AvailPhys, TotalPage, AvailPage };

// A claimed block of two-byte blanks; given back when the object goes.
class BlankText {
public:
    using Release = void (*)(void* context, void* data, std::size_t bytes);
    BlankText() = default;
    BlankText(char16_t* data, std::size_t chars, Release release, void* context = nullptr)
        : data_(data), chars_(chars), release_(release), context_(context) {}
    BlankText(BlankText&& o) noexcept { swap(o); }
    BlankText& operator=(BlankText&& o) noexcept {
        BlankText(std::move(o)).swap(*this);
        return *this;
    }
    ~BlankText() {
        if (data_ && release_) release_(context_, data_, chars_ * sizeof(char16_t));
    }
    std::size_t size() const { return chars_; }
    const char16_t* data() const { return data_; }

private:
    void swap(BlankText& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(chars_, o.chars_);
        std::swap(release_, o.release_);
        std::swap(context_, o.context_);
    }
    char16_t* data_ = nullptr;
    std::size_t chars_ = 0;
    Release release_ = nullptr;
    void* context_ = nullptr;
};

using RegKey = std::uint64_t;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE_ = 0x80000002u;
inline constexpr std::uint32_t REG_SZ_ = 1, REG_DWORD_ = 4;

class System {
public:
    virtual ~System() = default;

    // One fresh reading of one figure, in bytes.
    virtual std::uint64_t memory_figure(MemField field) = 0;
    // chars two-byte blanks, every byte written; tk::Error(OutOfMemory) when
    // the memory cannot be had.
    virtual BlankText blank_text(std::size_t chars) = 0;

    // The command line after the program's name and its separating blanks.
    virtual std::string argument_text() = 0;
    // True only for an ordinary file (not a folder, hidden or system file).
    virtual bool file_exists(const std::string& path) = 0;
    // Starts the file as a program of its own, never through a shell;
    // tk::Error when it cannot.
    virtual void start_program(const std::string& path, int window_style) = 0;

    // Registry, with the results of the system calls (0 is success).
    virtual std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                                      std::uint32_t access, RegKey& out) = 0;
    virtual std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved,
                                         std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) = 0;
    virtual std::int32_t reg_close_key(RegKey key) = 0;
    // Registry text comes in the system's single-byte code page; the program
    // works in UTF-8.
    virtual std::string text_from_ansi(const std::string& bytes) { return bytes; }
};

}  // namespace tk
