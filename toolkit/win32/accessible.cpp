// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/accessible.h"

#include <iterator>
#include <utility>

#include "toolkit/accessible.h"
#include "toolkit/os/windows/text.h"

namespace tk::win32 {
namespace {

// From oleacc.h, spelled out so that no import library is linked for them.
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kValue = {0x123fe443, 0x211a, 0x4615, {0x95, 0x27, 0xc4, 0x5a, 0x7e, 0x93, 0x71, 0x7a}};
constexpr GUID kRole = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr GUID kState = {0xa8d4d5b0, 0x0a21, 0x42d0, {0xa5, 0xc0, 0x51, 0x4e, 0x98, 0x4f, 0x45, 0x7b}};

std::string& program_name() {
    static std::string name;
    return name;
}

}  // namespace

void set_program_name(std::string name) { program_name() = std::move(name); }

long system_role(const Control& c) {
    if (c.kind() == Kind::Frame) return ROLE_SYSTEM_GROUPING;
    switch (tk::accessible_role(c)) {
        case AccessibleRole::Bar: return ROLE_SYSTEM_PROGRESSBAR;
        case AccessibleRole::Picture: return ROLE_SYSTEM_GRAPHIC;
        case AccessibleRole::Other: break;
    }
    return 0;
}

Annotations::Annotations(IAccPropServices* services) : services_(services) {
    if (services_) services_->AddRef();
}

Annotations::~Annotations() {
    if (services_) services_->Release();
}

IAccPropServices* Annotations::system_services() {
    void* p = nullptr;
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices, &p)))
        return nullptr;
    return static_cast<IAccPropServices*>(p);
}

bool Annotations::describe(HWND h, const Control& c) {
    if (h && tk::drawn_only(c)) {
        hide(h);
        return true;
    }
    const long role = system_role(c);
    if (!h || !role) return false;
    // A panel is read by its caption, then what it holds.
    const std::wstring name = os::widen(c.kind() == Kind::Frame ? tk::spoken(c.caption())
                                                                : tk::accessible_name(c, program_name()));
    // Unchanged text is not set again: a screen reader hears a name change.
    wchar_t old[256] = {};
    ::GetWindowTextW(h, old, static_cast<int>(std::size(old)));
    if (name != old) ::SetWindowTextW(h, name.c_str());
    if (!services_) return true;
    // A failure leaves the window text to speak for the control.
    const DWORD client = static_cast<DWORD>(OBJID_CLIENT);
    services_->SetHwndPropStr(h, client, CHILDID_SELF, kName, name.c_str());
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = role;
    services_->SetHwndProp(h, client, CHILDID_SELF, kRole, v);
    if (role == ROLE_SYSTEM_PROGRESSBAR)
        services_->SetHwndPropStr(h, client, CHILDID_SELF, kValue, os::widen(tk::accessible_value_text(c)).c_str());
    return true;
}

void Annotations::hide(HWND h) {
    if (!services_ || !h) return;
    // Screen readers pass over an object that says it cannot be seen.
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = STATE_SYSTEM_INVISIBLE;
    services_->SetHwndProp(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kState, v);
}

void Annotations::forget(HWND h) {
    if (!services_ || !h) return;
    const MSAAPROPID props[] = {kName, kRole, kValue, kState};
    services_->ClearHwndProps(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props,
                              static_cast<int>(std::size(props)));
}

}  // namespace tk::win32
