#include "toolkit/win32/accessible.h"

#include <iterator>

#include "toolkit/os/windows/text.h"
#include "toolkit/text.h"

namespace tk::win32 {
namespace {

// From oleacc.h, spelled out so that no import library is linked for them.
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kValue = {0x123fe443, 0x211a, 0x4615, {0x95, 0x27, 0xc4, 0x5a, 0x7e, 0x93, 0x71, 0x7a}};
constexpr GUID kRole = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};

}  // namespace

long accessible_role(Role role) {
    switch (role) {
        case Role::Bar: return ROLE_SYSTEM_PROGRESSBAR;
        case Role::Graphic: return ROLE_SYSTEM_GRAPHIC;
        case Role::Default: break;
    }
    return 0;
}

std::wstring accessible_value(std::int64_t value) {
    char buf[40];
    return os::widen(format_whole(buf, sizeof buf, value, " MB"));
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

void Annotations::describe(HWND h, const Control& c) {
    const long role = accessible_role(c.role());
    if (!h || !role) return;
    const std::wstring name = os::widen(c.accessible_name());
    // Unchanged text is not set again: a screen reader hears a name change.
    wchar_t old[256] = {};
    ::GetWindowTextW(h, old, static_cast<int>(std::size(old)));
    if (name != old) ::SetWindowTextW(h, name.c_str());
    if (!services_) return;
    // A failure leaves the window text to speak for the control.
    services_->SetHwndPropStr(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kName, name.c_str());
    VARIANT v{};
    v.vt = VT_I4;
    v.lVal = role;
    services_->SetHwndProp(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kRole, v);
    if (c.role() == Role::Bar)
        services_->SetHwndPropStr(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kValue,
                                  accessible_value(c.value()).c_str());
}

void Annotations::forget(HWND h) {
    if (!services_ || !h) return;
    const MSAAPROPID props[] = {kName, kRole, kValue};
    services_->ClearHwndProps(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props,
                              static_cast<int>(std::size(props)));
}

}  // namespace tk::win32
