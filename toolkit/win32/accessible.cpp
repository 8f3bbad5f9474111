// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/accessible.h"

#include <iterator>
#include <utility>

#include "toolkit/os/windows/text.h"

namespace tk::win32 {
namespace {

// From oleacc.h, spelled out so that no import library is linked for them.
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kValue = {0x123fe443, 0x211a, 0x4615, {0x95, 0x27, 0xc4, 0x5a, 0x7e, 0x93, 0x71, 0x7a}};
constexpr GUID kRole = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};

std::string& program_name() {
    static std::string name;
    return name;
}

bool is_bar(const Control& c) { return c.value_label() != nullptr; }

// A caption as it is read out: "&Система" is "Система", "&&" an ampersand;
// the blanks that pad it in the layout are not read.
std::string spoken(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;
        out += caption[i];
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

}  // namespace

void set_program_name(std::string name) { program_name() = std::move(name); }

long accessible_role(const Control& c) {
    if (is_bar(c)) return ROLE_SYSTEM_PROGRESSBAR;
    // The hidden box that the tray calls back holds the tray's picture too;
    // it is no picture anyone sees.
    if (c.kind() == Kind::PictureBox && c.picture() != IconId::None && c.visible()) return ROLE_SYSTEM_GRAPHIC;
    return 0;
}

std::string accessible_name(const Control& c) {
    if (is_bar(c)) {
        // Named as the panel it stands in.
        for (const Control* p = c.parent(); p; p = p->parent())
            if (p->kind() == Kind::Frame) return spoken(p->caption());
        return {};
    }
    if (accessible_role(c) == ROLE_SYSTEM_GRAPHIC) return program_name();
    return {};
}

std::string accessible_value(const Control& c) {
    const Control* label = c.value_label();
    if (!label) return {};
    const std::string& figure = label->caption();
    // The placeholder before the first refresh is no figure.
    if (figure.empty() || figure[0] < '0' || figure[0] > '9') return {};
    return figure;
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
    const long role = accessible_role(c);
    if (!h || !role) return false;
    const std::wstring name = os::widen(accessible_name(c));
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
        services_->SetHwndPropStr(h, client, CHILDID_SELF, kValue, os::widen(accessible_value(c)).c_str());
    return true;
}

void Annotations::forget(HWND h) {
    if (!services_ || !h) return;
    const MSAAPROPID props[] = {kName, kRole, kValue};
    services_->ClearHwndProps(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props,
                              static_cast<int>(std::size(props)));
}

}  // namespace tk::win32
