// SPDX-License-Identifier: GPL-3.0-or-later
// What the Linux program takes in: the argument text with Qt's own option
// words kept, and Tab and Enter in the About box.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "about/frmAbout.h"
#include "app/program.h"
#include "qt_program.h"
#include "toolkit/os/os.h"

namespace {

using test::widget;

// The argument text main() reads from this command line.
std::string argument_text(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return tk::os::argument_text(static_cast<int>(args.size()), argv.data());
}

// Starts the program as main() does with this command line.
struct Program : test::QtProgram {
    explicit Program(std::vector<std::string> args) : QtProgram(argument_text(std::move(args))) {}
};

}  // namespace

TEST(ArgumentText, KeepsQtsOwnOptionWords) {
    // QApplication would take -reverse and -style out of argv; the switch
    // must still see the whole text, and that is no switch.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"taluvex", "/AUTO", "-reverse"},
             {"taluvex", "-style", "fusion", "/AUTO"},
             {"taluvex", "-platform", "offscreen", "/QUIT"}}) {
        Program p(args);
        std::string joined;
        for (std::size_t i = 1; i < args.size(); ++i) joined += (i > 1 ? " " : "") + args[i];
        EXPECT_EQ(p.system.argument_text(), joined);
        EXPECT_TRUE(p.w->visible()) << joined;
        EXPECT_EQ(p.w->mnuShow.caption(), "&Hide") << joined;
        EXPECT_FALSE(p.w->mnuDefragMemory3.checked()) << joined;  // the watch is off
        EXPECT_FALSE(p.w->tmrDefragMemory.enabled()) << joined;   // no release run
        EXPECT_TRUE(p.w->mnuFile.enabled()) << joined;
    }
    // The switch alone still starts with the watch on.
    Program p({"taluvex", "/auto"});
    EXPECT_EQ(p.system.argument_text(), "/auto");
    EXPECT_TRUE(p.w->mnuDefragMemory3.checked());
}

TEST(AboutBoxKeys, TabVisitsOkTheIconAndTheSystemButtonAndEnterOnTheIconPressesOk) {
    Program p({"taluvex"});
    frmMain& w = *p.w;
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    frmAbout& a = *w.About();
    QWidget* box = widget(a);
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box));
    QWidget* ok = widget(a.cmdOK);
    QWidget* icon = widget(a.picIcon);
    QWidget* sysinfo = widget(a.cmdSysInfo);
    EXPECT_EQ(QApplication::focusWidget(), ok);

    auto key = [](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, mods);
    };
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), icon);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), sysinfo);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ok);  // round again
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), sysinfo);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), icon);  // Enter on the system button would start a tool
    // The icon is no button: Enter presses the default one.
    key(Qt::Key_Return);
    EXPECT_FALSE(a.loaded());
    EXPECT_TRUE(w.enabled());
    // The main window's boxes and labels never take the focus.
    for (tk::Control* c : w.controls()) {
        if (c->kind() == tk::Kind::Menu) continue;
        EXPECT_EQ(widget(*c)->focusPolicy(), Qt::NoFocus) << c->name();
    }
}
