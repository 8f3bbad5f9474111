// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the program asks of the system, in one place. Each backend
// implements it: headless (scripted, for tests), Qt (Linux desktop), Win32.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "toolkit/control.h"

namespace tk {

class Form;
class Menu;

enum class MemField { TotalPhys, AvailPhys, TotalPage, AvailPage };

// The tray record as the program keeps it: 88 bytes, single-byte tip of 64
// characters, handles 32-bit significant. Little-endian, no gaps.
struct NotifyIconData88 {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconData88) == 88, "the tray record is exactly 88 bytes");

inline constexpr std::uint32_t NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;

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

class Platform {
public:
    virtual ~Platform() = default;

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

    // Modal; returns when closed. The caller holds the scheduler around it.
    virtual int message_box(const std::string& prompt, int style, const std::string& title) = 0;
    virtual std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) = 0;
    // Whether the program's icon is in a tray now, where the user can reach it.
    virtual bool tray_icon_present() { return true; }
    // Opens menu as a pop-up at the mouse; returns when it closes, after the
    // chosen entry's handler has run.
    virtual void popup_menu(Form& owner, Menu& menu) = 0;
    virtual std::uint32_t icon_handle(IconId icon) = 0;
    // An icon resource of the program by number; tk::Error when there is none.
    virtual IconId load_icon_resource(int id) = 0;

    // Peers: a form's controls get their real widgets when it loads and lose
    // them when it unloads.
    virtual void attach(Form& form) = 0;
    virtual void detach(Form& form) = 0;
    // The program ends at once: nothing runs afterwards.
    virtual void end() = 0;
    // An error that a handler without an error mode let through, before the
    // runtime reports it and ends the program; a backend may log it.
    virtual void unhandled_error(const std::exception& /*e*/) {}
};

}  // namespace tk
