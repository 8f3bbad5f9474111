// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers and high-contrast users get from the Win32 backend: the
// annotations of the drawn controls, and the colours of the text.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/accessible.h"
#include "toolkit/win32/colours.h"
#include "toolkit/win32/win32_desktop.h"
#include "ui/frmMain.h"

namespace {

// Records what the backend tells the system's annotation service.
class RecordingServices final : public IAccPropServices {
public:
    struct Call {
        std::string what;  // "str", "var" or "clear"
        HWND hwnd;
        DWORD object, child;
        GUID prop;
        std::wstring text;
        VARTYPE vt;
        LONG number;
    };
    std::vector<Call> calls;

    HRESULT WINAPI QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return ++refs; }
    ULONG WINAPI Release() override { return --refs; }
    HRESULT WINAPI SetHwndProp(HWND h, DWORD o, DWORD c, MSAAPROPID p, VARIANT v) override {
        calls.push_back({"var", h, o, c, p, {}, v.vt, v.lVal});
        return S_OK;
    }
    HRESULT WINAPI SetHwndPropStr(HWND h, DWORD o, DWORD c, MSAAPROPID p, LPCWSTR s) override {
        calls.push_back({"str", h, o, c, p, s, VT_EMPTY, 0});
        return S_OK;
    }
    HRESULT WINAPI ClearHwndProps(HWND h, DWORD o, DWORD c, const MSAAPROPID* ps, int n) override {
        for (int i = 0; i < n; ++i) calls.push_back({"clear", h, o, c, ps[i], {}, VT_EMPTY, 0});
        return S_OK;
    }
    HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override { return E_NOTIMPL; }

    ULONG refs = 1;
};

// Hands the recording service out in place of the system's, to the windows
// of this process, for as long as it lives.
class StandInServiceClass final : public IClassFactory {
public:
    explicit StandInServiceClass(RecordingServices& services) : services_(services) {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        registered = SUCCEEDED(::CoRegisterClassObject(kClass, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_));
    }
    ~StandInServiceClass() {
        if (registered) ::CoRevokeClassObject(cookie_);
        ::CoUninitialize();
    }
    HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI CreateInstance(IUnknown*, REFIID, void** out) override {
        services_.AddRef();
        *out = &services_;
        return S_OK;
    }
    HRESULT WINAPI LockServer(BOOL) override { return S_OK; }
    bool registered = false;

private:
    static constexpr CLSID kClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
    RecordingServices& services_;
    DWORD cookie_ = 0;
};

// A panel with a bar that reads its figure from a label, and a picture; made
// bar first and each figure before its name, which overlaps it, as the main
// window's page-file panel is.
struct MeterForm : tk::Form {
    explicit MeterForm(tk::Runtime& rt)
        : tk::Form(rt, "frmMeter"), panel(*this, *this, "panel"), bar(*this, panel, "bar"),
          fill(*this, bar, "fill"), free(*this, panel, "free"), total(*this, panel, "total"),
          name(*this, panel, "name"), picture(*this, *this, "picture") {
        set_client_size(3000, 2000);
        panel.set_bounds(0, 0, 2000, 1000);
        panel.set_caption("&Panel  ");
        bar.set_bounds(100, 600, 1500, 255);
        bar.set_value_labels(free, total);
        free.set_caption("FREE");
        free.set_bounds(600, 300, 900, 255);
        total.set_bounds(600, 100, 900, 255);
        name.set_bounds(120, 300, 495, 255);
        name.set_caption("Free:");
        picture.set_bounds(2200, 100, 540, 540);
        picture.set_picture(tk::IconId::Window);
        picture.set_visible(false);
    }
    tk::Frame panel;
    tk::PictureBox bar, fill;
    tk::Label free, total, name;
    tk::PictureBox picture;
};

// The property identifiers as the system defines them.
constexpr GUID kName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kValue = {0x123fe443, 0x211a, 0x4615, {0x95, 0x27, 0xc4, 0x5a, 0x7e, 0x93, 0x71, 0x7a}};
constexpr GUID kRole = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr GUID kState = {0xa8d4d5b0, 0x0a21, 0x42d0, {0xa5, 0xc0, 0x51, 0x4e, 0x98, 0x4f, 0x45, 0x7b}};

HWND window_of(const tk::Control& c) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(c.hwnd())); }

std::wstring text_of(HWND h) {
    wchar_t buf[256] = {};
    ::GetWindowTextW(h, buf, 256);
    return buf;
}

struct Program {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt{os, desk};
    std::unique_ptr<frmMain> main = StartProgram(rt);
    frmAbout about{rt, *main};
};

}  // namespace

TEST(Win32Accessibility, BarsAndTheIconAreAnnotatedWithNameRoleAndValue) {
    // The entry point names the program; the backend only repeats it.
    tk::win32::set_program_name("Taluvex");
    Program p;
    HWND bar = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND icon = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND other = ::CreateWindowExW(0, L"STATIC", L"Своб:", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(bar && icon && other);
    RecordingServices services;
    {
        tk::win32::Annotations notes(&services);
        EXPECT_EQ(services.refs, 2u);

        // Before the first refresh the bar has its name and no figure yet.
        EXPECT_TRUE(notes.describe(bar, p.main->picUsedPhysical));
        EXPECT_EQ(text_of(bar), L"Физ. память");
        ASSERT_EQ(services.calls.size(), 3u);
        EXPECT_EQ(services.calls[2].prop, kValue);
        EXPECT_EQ(services.calls[2].text, L"");

        p.os.set_memory_mb(24105, 23205, 4096, 1000);
        p.main->tmrUpdateMemoryInformation_Timer();
        services.calls.clear();
        EXPECT_TRUE(notes.describe(bar, p.main->picUsedPhysical));
        ASSERT_EQ(services.calls.size(), 3u);
        for (const auto& c : services.calls) {
            EXPECT_EQ(c.hwnd, bar);
            EXPECT_EQ(c.object, static_cast<DWORD>(OBJID_CLIENT));
            EXPECT_EQ(c.child, static_cast<DWORD>(CHILDID_SELF));
        }
        EXPECT_EQ(services.calls[0].prop, kName);
        EXPECT_EQ(services.calls[0].text, L"Физ. память");
        EXPECT_EQ(services.calls[1].prop, kRole);
        EXPECT_EQ(services.calls[1].vt, VT_I4);
        EXPECT_EQ(services.calls[1].number, ROLE_SYSTEM_PROGRESSBAR);
        EXPECT_EQ(services.calls[2].prop, kValue);
        EXPECT_EQ(services.calls[2].text, L"23205 MB free of 24105 MB");
        services.calls.clear();
        EXPECT_TRUE(notes.describe(bar, p.main->picUsedPagefile));
        EXPECT_EQ(text_of(bar), L"Файл стр");
        ASSERT_EQ(services.calls.size(), 3u);
        EXPECT_EQ(services.calls[2].text, L"1000 MB free of 4096 MB");

        // The icon is a picture named after the program, with no value.
        services.calls.clear();
        EXPECT_TRUE(notes.describe(icon, p.about.picIcon));
        EXPECT_EQ(text_of(icon), L"Taluvex");
        ASSERT_EQ(services.calls.size(), 2u);
        EXPECT_EQ(services.calls[0].text, L"Taluvex");
        EXPECT_EQ(services.calls[1].prop, kRole);
        EXPECT_EQ(services.calls[1].number, ROLE_SYSTEM_GRAPHIC);

        // Labels speak for themselves; the fills and markers inside a bar
        // and the hidden tray target are no objects of their own.
        services.calls.clear();
        for (const tk::Control* c : {static_cast<const tk::Control*>(&p.main->lblFreePhysical),
                                     static_cast<const tk::Control*>(&p.main->TrayIcon)}) {
            EXPECT_FALSE(notes.describe(other, *c)) << c->name();
        }
        EXPECT_EQ(text_of(other), L"Своб:");
        EXPECT_TRUE(services.calls.empty());

        notes.forget(bar);
        ASSERT_EQ(services.calls.size(), 4u);
        for (const auto& c : services.calls) EXPECT_EQ(c.what, "clear");
        EXPECT_EQ(services.calls[0].prop, kName);
        EXPECT_EQ(services.calls[1].prop, kRole);
        EXPECT_EQ(services.calls[2].prop, kValue);
        EXPECT_EQ(services.calls[3].prop, kState);
    }
    EXPECT_EQ(services.refs, 1u);
    // Without the service the window text still names the control.
    tk::win32::Annotations bare(nullptr);
    EXPECT_TRUE(bare.describe(bar, p.main->picUsedPhysical));
    EXPECT_EQ(text_of(bar), L"Физ. память");
    for (HWND h : {bar, icon, other}) ::DestroyWindow(h);
}

// Each system colour distinct, so a mix-up shows.
constexpr tk::win32::SystemColours kHighContrastBlack{RGB(255, 255, 254), RGB(1, 0, 0), RGB(255, 255, 0),
                                                      RGB(0, 0, 2)};

TEST(Win32Colours, TheLayoutsColoursHoldUnlessHighContrastIsOn) {
    Program p;
    const tk::win32::SystemColours& sys = kHighContrastBlack;
    using tk::win32::text_colours;
    // Normal: fixed colours exactly, the toolkit's own from the system.
    auto red = text_colours(p.main->lblUsedPhysicalShow.fore_color(), tk::kDefaultColor, false, sys);
    EXPECT_EQ(red.text, RGB(255, 0, 0));
    EXPECT_EQ(red.background, sys.button_face);
    EXPECT_EQ(red.fill, tk::kDefaultColor);
    EXPECT_EQ(red.system_fill, COLOR_BTNFACE);
    EXPECT_EQ(text_colours(p.main->lblFreePhysicalShow.fore_color(), tk::kDefaultColor, false, sys).text,
              RGB(0, 128, 0));
    EXPECT_EQ(text_colours(p.about.lblTitle.fore_color(), tk::kDefaultColor, false, sys).text, RGB(0, 0, 0));
    EXPECT_EQ(text_colours(tk::kDefaultColor, tk::kDefaultColor, false, sys).text, sys.button_text);
    auto on_white = text_colours(tk::rgb(0, 0, 255), tk::rgb(255, 255, 255), false, sys);
    EXPECT_EQ(on_white.background, RGB(255, 255, 255));
    EXPECT_EQ(on_white.fill, tk::rgb(255, 255, 255));

    // High contrast: every label of both windows in the system's text colour on the face.
    std::vector<const tk::Control*> labels;
    for (const tk::Form* f : {static_cast<const tk::Form*>(p.main.get()), static_cast<const tk::Form*>(&p.about)})
        for (const tk::Control* c : f->controls())
            if (c->kind() == tk::Kind::Label || c->kind() == tk::Kind::Frame) labels.push_back(c);
    ASSERT_EQ(labels.size(), 18u);
    for (const tk::Control* c : labels) {
        const auto hc = text_colours(c->fore_color(), c->back_color(), true, sys);
        EXPECT_EQ(hc.text, sys.button_text) << c->name();
        EXPECT_EQ(hc.background, sys.button_face) << c->name();
        EXPECT_EQ(hc.fill, tk::kDefaultColor) << c->name();
        EXPECT_EQ(hc.system_fill, COLOR_BTNFACE) << c->name();
    }
    // A control with a background of its own is drawn as content.
    auto content = text_colours(tk::rgb(0, 0, 255), tk::rgb(255, 255, 255), true, sys);
    EXPECT_EQ(content.text, sys.window_text);
    EXPECT_EQ(content.background, sys.window);
    EXPECT_EQ(content.fill, tk::kDefaultColor);
    EXPECT_EQ(content.system_fill, COLOR_WINDOW);
}

// The backend keeps the annotations current as the model changes, and takes
// them away with the windows.
TEST(Win32Accessibility, AFormsWindowsKeepTheirAnnotationsCurrent) {
    tk::win32::set_program_name("Taluvex");
    RecordingServices services;
    StandInServiceClass stand_in(services);
    ASSERT_TRUE(stand_in.registered);
    HWND bar = nullptr, picture = nullptr, panel = nullptr;
    {
        tk::headless::HeadlessSystem system;
        tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
        tk::Runtime rt(system, platform);
        MeterForm form(rt);
        form.load();
        bar = reinterpret_cast<HWND>(static_cast<UINT_PTR>(form.bar.hwnd()));
        picture = reinterpret_cast<HWND>(static_cast<UINT_PTR>(form.picture.hwnd()));
        ASSERT_TRUE(bar && picture);
        auto last = [&](HWND h, const GUID& prop) {
            std::wstring text = L"(none)";
            for (const auto& c : services.calls)
                if (c.hwnd == h && c.prop == prop && c.what == "str") text = c.text;
            return text;
        };
        EXPECT_EQ(text_of(bar), L"Panel");
        EXPECT_EQ(last(bar, kName), L"Panel");
        EXPECT_EQ(last(bar, kValue), L"");
        // The fill inside the bar and the panel's group box are drawn only;
        // the panel's container is read as a group by its caption.
        auto number = [&](HWND h, const GUID& prop) {
            LONG n = 0;
            for (const auto& c : services.calls)
                if (c.hwnd == h && c.prop == prop && c.what == "var") n = c.number;
            return n;
        };
        panel = window_of(form.panel);
        const HWND group_box = ::GetWindow(window_of(form.free), GW_HWNDLAST);
        EXPECT_EQ(last(window_of(form.fill), kName), L"(none)");
        EXPECT_EQ(number(window_of(form.fill), kState), STATE_SYSTEM_INVISIBLE);
        EXPECT_EQ(number(group_box, kState), STATE_SYSTEM_INVISIBLE);
        EXPECT_EQ(number(panel, kRole), ROLE_SYSTEM_GROUPING);
        EXPECT_EQ(text_of(panel), L"Panel");

        // Screen readers follow the z-order: the panel's rows top to bottom,
        // each name before its figure, then the bar; the group box under all.
        std::vector<HWND> order;
        for (HWND h = ::GetWindow(panel, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
        EXPECT_EQ(order, (std::vector<HWND>{window_of(form.total), window_of(form.name), window_of(form.free), bar,
                                            group_box}));
        // The name, now over its figure, leaves their shared pixel (40) to the
        // figure, which was drawn over it.
        RECT shape{};
        ASSERT_EQ(::GetWindowRgnBox(window_of(form.name), &shape), SIMPLEREGION);
        EXPECT_EQ(shape.right, 40 - 8);

        form.total.set_caption("1024 MB");
        form.free.set_caption("512 MB");
        EXPECT_EQ(last(bar, kValue), L"512 MB free of 1024 MB");
        form.free.set_caption("498 MB");
        EXPECT_EQ(last(bar, kValue), L"498 MB free of 1024 MB");
        form.total.set_caption("2048 MB");
        EXPECT_EQ(last(bar, kValue), L"498 MB free of 2048 MB");
        form.panel.set_caption("Swap");
        EXPECT_EQ(text_of(bar), L"Swap");
        EXPECT_EQ(last(bar, kName), L"Swap");

        // A picture is read once it can be seen.
        EXPECT_EQ(last(picture, kName), L"(none)");
        form.picture.set_visible(true);
        EXPECT_EQ(last(picture, kName), L"Taluvex");
        EXPECT_EQ(text_of(picture), L"Taluvex");
        services.calls.clear();
        form.unload();
    }
    int cleared_bar = 0, cleared_picture = 0, cleared_panel = 0;
    for (const auto& c : services.calls) {
        if (c.what != "clear") continue;
        cleared_bar += c.hwnd == bar;
        cleared_picture += c.hwnd == picture;
        cleared_panel += c.hwnd == panel;
    }
    EXPECT_EQ(cleared_bar, 4);
    EXPECT_EQ(cleared_picture, 4);
    EXPECT_EQ(cleared_panel, 4);
    // Every reference the windows took is given back.
    EXPECT_EQ(services.refs, 1u);
}
