// SPDX-License-Identifier: GPL-3.0-or-later
// How a request to the tray leaves the icon's state, as every backend keeps it.
#include "toolkit/tray_state.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "toolkit/shell_codes.h"

namespace {

tk::NotifyIconData88 record(std::uint32_t flags, std::uint32_t message, std::uint32_t icon, const char* tip) {
    tk::NotifyIconData88 r{88, 0x1234, 1, flags, message, icon, {}};
    std::memset(r.szTip, ' ', sizeof r.szTip);
    std::memcpy(r.szTip, tip, std::min(std::strlen(tip), sizeof r.szTip));
    return r;
}

constexpr std::uint32_t kAll = tk::NIF_MESSAGE | tk::NIF_ICON | tk::NIF_TIP;

}  // namespace

TEST(TrayState, AnAddTakesTheNamedFieldsAndASecondAddFails) {
    tk::TrayIconState s;
    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(tk::NIF_MESSAGE | tk::NIF_TIP, 0x200, 77, "one")));
    EXPECT_TRUE(s.shown);
    EXPECT_EQ(s.message, 0x200u);
    EXPECT_EQ(s.icon, 0u);  // not named: not taken
    EXPECT_EQ(tip_text(s), "one");
    EXPECT_EQ(s.fields, tk::NIF_MESSAGE | tk::NIF_TIP);

    // The shell refuses an icon it already has, and keeps it as it was.
    const tk::TrayIconState before = s;
    EXPECT_FALSE(apply(s, tk::NIM_ADD, record(kAll, 0x300, 5, "two")));
    EXPECT_EQ(s.message, before.message);
    EXPECT_EQ(s.icon, before.icon);
    EXPECT_EQ(s.tip, before.tip);
    EXPECT_EQ(s.fields, before.fields);
}

TEST(TrayState, AChangeTouchesOnlyTheNamedFieldsOfAShownIcon) {
    tk::TrayIconState s;
    EXPECT_FALSE(apply(s, tk::NIM_MODIFY, record(kAll, 0x200, 5, "x")));  // nothing to change
    EXPECT_FALSE(s.shown);
    EXPECT_EQ(s.icon, 0u);

    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(kAll, 0x200, 5, "tip")));
    ASSERT_TRUE(apply(s, tk::NIM_MODIFY, record(tk::NIF_ICON, 0x999, 6, "ignored")));
    EXPECT_EQ(s.icon, 6u);
    EXPECT_EQ(s.message, 0x200u);
    EXPECT_EQ(tip_text(s), "tip");
    ASSERT_TRUE(apply(s, tk::NIM_MODIFY, record(tk::NIF_TIP | tk::NIF_MESSAGE, 0x201, 7, "new")));
    EXPECT_EQ(s.icon, 6u);
    EXPECT_EQ(s.message, 0x201u);
    EXPECT_EQ(tip_text(s), "new");

    // A field first named by a change joins those an add again would send.
    tk::TrayIconState t;
    ASSERT_TRUE(apply(t, tk::NIM_ADD, record(tk::NIF_MESSAGE, 0x200, 0, "")));
    ASSERT_TRUE(apply(t, tk::NIM_MODIFY, record(tk::NIF_ICON, 0, 9, "")));
    EXPECT_EQ(t.fields, tk::NIF_MESSAGE | tk::NIF_ICON);
}

TEST(TrayState, ADeleteForgetsAndTheNextAddStartsAfresh) {
    tk::TrayIconState s;
    EXPECT_FALSE(apply(s, tk::NIM_DELETE, record(0, 0, 0, "")));
    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(kAll, 0x200, 5, "old")));
    ASSERT_TRUE(apply(s, tk::NIM_DELETE, record(0, 0, 0, "")));
    EXPECT_FALSE(s.shown);
    EXPECT_FALSE(apply(s, tk::NIM_DELETE, record(0, 0, 0, "")));
    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(tk::NIF_ICON, 0x300, 8, "new")));
    EXPECT_EQ(s.icon, 8u);
    EXPECT_EQ(s.message, 0u);  // nothing left over from before the delete
    EXPECT_EQ(tip_text(s), "");
    EXPECT_EQ(s.fields, tk::NIF_ICON);
}

TEST(TrayState, AnUnknownRequestOrFlagChangesNothing) {
    tk::TrayIconState s;
    EXPECT_FALSE(apply(s, 3, record(kAll, 0x200, 5, "x")));
    EXPECT_FALSE(s.shown);
    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(kAll | 0x10, 0x200, 5, "x")));
    EXPECT_EQ(s.fields, kAll);  // only the fields this state holds
    EXPECT_FALSE(apply(s, 3, record(kAll, 0x300, 6, "y")));
    EXPECT_EQ(s.icon, 5u);
}

TEST(TrayState, TheRecordOfAnIconAddsItBackAsItStands) {
    tk::TrayIconState s;
    ASSERT_TRUE(apply(s, tk::NIM_ADD, record(tk::NIF_MESSAGE | tk::NIF_TIP, 0x200, 5, "Taluvex")));
    ASSERT_TRUE(apply(s, tk::NIM_MODIFY, record(tk::NIF_ICON, 0, 6, "")));
    const tk::NotifyIconData88 r = record_of(s, 0xABCD, 3);
    EXPECT_EQ(r.cbSize, 88u);
    EXPECT_EQ(r.hWnd, 0xABCDu);
    EXPECT_EQ(r.uID, 3u);
    EXPECT_EQ(r.uFlags, kAll);
    EXPECT_EQ(r.uCallbackMessage, 0x200u);
    EXPECT_EQ(r.hIcon, 6u);
    EXPECT_EQ(std::string(r.szTip, sizeof r.szTip), "Taluvex" + std::string(57, ' '));  // padding kept
    tk::TrayIconState again;
    ASSERT_TRUE(apply(again, tk::NIM_ADD, r));
    EXPECT_EQ(again.fields, s.fields);
    EXPECT_EQ(again.message, s.message);
    EXPECT_EQ(again.icon, s.icon);
    EXPECT_EQ(again.tip, s.tip);
}

TEST(TrayState, TheTipShownStopsAtAZeroAndDropsThePadding) {
    tk::TrayIconState s;
    EXPECT_EQ(tip_text(s), "");  // all zeros
    std::memset(s.tip.data(), ' ', s.tip.size());
    EXPECT_EQ(tip_text(s), "");
    std::memcpy(s.tip.data(), "a b  ", 5);
    EXPECT_EQ(tip_text(s), "a b");
    s.tip[1] = '\0';
    EXPECT_EQ(tip_text(s), "a");
    s.tip.fill('x');  // a full field has no terminator
    EXPECT_EQ(tip_text(s), std::string(64, 'x'));
}
