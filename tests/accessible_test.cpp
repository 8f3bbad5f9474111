// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader is told about the drawn controls, as both desktops
// tell it: checked on the real windows.
#include <gtest/gtest.h>

#include <tuple>

#include "harness.h"
#include "toolkit/accessible.h"

using test::App;
using tk::AccessibleRole;

TEST(Accessible, BarsReadAsTheirPanelWithTheFreeFigureOutOfTheTotal) {
    App app;
    app.os.set_memory_mb(24105, 23205, 4096, 1000);
    frmMain& w = app.start();
    // Before the first refresh: named, but no figure yet.
    EXPECT_EQ(tk::accessible_role(w.picUsedPhysical), AccessibleRole::Bar);
    EXPECT_EQ(tk::accessible_name(w.picUsedPhysical, "Taluvex"), "Физ. память");  // padding not read
    EXPECT_EQ(tk::accessible_value(w.picUsedPhysical), "");
    EXPECT_EQ(tk::accessible_value_text(w.picUsedPhysical), "");
    EXPECT_EQ(tk::figure_megabytes(w.picUsedPhysical.value_label()), 0);

    app.advance(1);
    EXPECT_EQ(tk::accessible_value(w.picUsedPhysical), "23205 MB");
    EXPECT_EQ(tk::figure_megabytes(w.picUsedPhysical.value_label()), 23205);
    EXPECT_EQ(tk::figure_megabytes(w.picUsedPhysical.total_label()), 24105);
    EXPECT_EQ(tk::accessible_name(w.picUsedPagefile, "Taluvex"), "Файл стр");
    EXPECT_EQ(tk::figure_megabytes(w.picUsedPagefile.value_label()), 1000);
    EXPECT_EQ(tk::figure_megabytes(nullptr), 0);
    // The same answer for every desktop: value and range in megabytes, and
    // the value in words from the figures the bar is drawn from.
    for (auto [bar, free, total, text] :
         {std::tuple{&w.picUsedPhysical, 23205, 24105, "23205 MB free of 24105 MB"},
          std::tuple{&w.picUsedPagefile, 1000, 4096, "1000 MB free of 4096 MB"}}) {
        const tk::AccessibleRange r = tk::accessible_range(*bar);
        EXPECT_EQ(r.value, free) << bar->name();
        EXPECT_EQ(r.minimum, 0) << bar->name();
        EXPECT_EQ(r.maximum, total) << bar->name();
        EXPECT_EQ(tk::accessible_value_text(*bar), text);
    }
    // Only the status line is announced wherever the focus is.
    EXPECT_TRUE(tk::accessible_announced(w.lblStatus));
    EXPECT_FALSE(tk::accessible_announced(w.lblFreePhysicalShow));

    // The fills, the labels and the frames are no bars.
    for (const tk::Control* c : {static_cast<const tk::Control*>(&w.picOldPhysical),
                                 static_cast<const tk::Control*>(&w.lblFreePhysicalShow),
                                 static_cast<const tk::Control*>(&w.Frame1)}) {
        EXPECT_EQ(tk::accessible_role(*c), AccessibleRole::Other) << c->name();
        EXPECT_EQ(tk::accessible_name(*c, "Taluvex"), "") << c->name();
        EXPECT_EQ(tk::accessible_value(*c), "") << c->name();
        EXPECT_EQ(tk::accessible_value_text(*c), "") << c->name();
        EXPECT_EQ(tk::accessible_range(*c).maximum, 0) << c->name();
    }
}

TEST(Accessible, OnlyAPictureInSightIsAGraphicNamedAfterTheProgram) {
    App app;
    frmMain& w = app.start();
    // The box the tray calls back holds the tray's picture, but is hidden.
    ASSERT_NE(w.TrayIcon.picture(), tk::IconId::None);
    EXPECT_EQ(tk::accessible_role(w.TrayIcon), AccessibleRole::Other);
    EXPECT_EQ(tk::accessible_name(w.TrayIcon, "Taluvex"), "");
    ASSERT_TRUE(app.press(tk::Shortcut::F1));
    EXPECT_EQ(tk::accessible_role(app.about()->picIcon), AccessibleRole::Picture);
    EXPECT_EQ(tk::accessible_name(app.about()->picIcon, "Taluvex"), "Taluvex");
}

TEST(Accessible, CaptionsAreReadWithoutAccessKeysOrPadding) {
    EXPECT_EQ(tk::spoken("&Система"), "Система");
    EXPECT_EQ(tk::spoken("Save && &Quit  "), "Save & Quit");
    EXPECT_EQ(tk::spoken("ends in &"), "ends in");
    EXPECT_EQ(tk::spoken("   "), "");
    EXPECT_EQ(tk::spoken(""), "");
}
