// SPDX-License-Identifier: GPL-3.0-or-later
// The About box's label fonts as the Win32 backend asks Windows for them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/font.h"
#include "ui/frmMain.h"

TEST(Win32Fonts, TheAboutLabelsGetATrueTypeFaceAtTheirPointSize) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    std::unique_ptr<frmMain> main = StartProgram(rt);
    frmAbout about(rt, *main);
    HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    struct Case {
        const tk::Label* label;
        LONG height_96, height_144;  // -(points x dpi / 72), rounded
    } cases[] = {{&about.lblTitle, -16, -24}, {&about.lblVersion, -11, -17}, {&about.lblAuthor, -13, -20}};
    for (const Case& c : cases) {
        const LOGFONTW lf = tk::win32::logfont_for(c.label->font(), 96);
        // The bitmap "MS Sans Serif" of Windows 10 and 11 neither smooths nor
        // scales; its TrueType twin does.
        EXPECT_EQ(std::wstring(lf.lfFaceName), L"Microsoft Sans Serif") << c.label->name();
        EXPECT_EQ(lf.lfHeight, c.height_96) << c.label->name();
        EXPECT_EQ(lf.lfWeight, 700) << c.label->name();
        EXPECT_EQ(tk::win32::logfont_for(c.label->font(), 144).lfHeight, c.height_144) << c.label->name();
        HFONT font = ::CreateFontIndirectW(&lf);
        ASSERT_NE(font, nullptr);
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICW tm{};
        ASSERT_TRUE(::GetTextMetricsW(dc, &tm));
        wchar_t face[LF_FACESIZE] = {};
        ::GetTextFaceW(dc, LF_FACESIZE, face);
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE) << c.label->name() << " came out as " << face;
        EXPECT_GE(tm.tmWeight, 600) << face;
        ::SelectObject(dc, old);
        ::DeleteObject(font);
    }
    ::DeleteDC(dc);
    // A form without a face of its own gets the dialog font.
    EXPECT_EQ(std::wstring(tk::win32::logfont_for(tk::Font{}, 96).lfFaceName), L"MS Shell Dlg");
}
