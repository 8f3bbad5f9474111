// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive technology reads from the Linux program, and what users of
// dark themes, HiDPI screens and the keyboard see: the accessible tree of the
// drawn widgets, the menus' names and keys, fixed colours on a dark palette,
// the bar border at scale 2, the focus on the About icon and the icons' sizes.
// (Offscreen has no accessibility bridge, so the events are checked
// end to end, by scripts/e2e-a11y.)
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionMenuItem>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "about/frmAbout.h"
#include "app/program.h"
#include "res/file16.xpm"
#include "res/window32.xpm"
#include "toolkit/contrast.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "qt_program.h"

namespace {

using test::action;
using test::widget;
using Program = test::QtProgram;
QAccessibleInterface* acc(const tk::Control& c) { return QAccessible::queryAccessibleInterface(widget(c)); }
std::string name(const tk::Control& c) { return acc(c)->text(QAccessible::Name).toStdString(); }


std::int64_t figure(const tk::Label& l) { return std::stoll(l.caption()); }

// The colour of a text's ink: the commonest colour that stands out from the
// background (the solid cores of large glyphs; their edges are blends).
QColor ink(const QImage& image, const QColor& back) {
    std::map<QRgb, int> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (tk::contrast_ratio(tk::qt::tk_color(QColor(c)), tk::qt::tk_color(back)) > 1.5) ++seen[c];
        }
    QRgb best = back.rgb();
    int most = 0;
    for (auto [c, n] : seen)
        if (n > most) most = n, best = c;
    return QColor(best);
}

}  // namespace

TEST(Accessible, FiguresFramesAndBarsReadAsTheirCaptionsAndMegabytes) {
    Program p;
    frmMain& w = *p.w;
    QTest::qWait(100);  // the figures replace the placeholders
    for (const tk::Label* l : {&w.lblTotalPhysicalShow, &w.lblFreePhysicalShow, &w.lblUsedPagefileShow,
                               &w.lblTotalPhysical, &w.lblStatus}) {
        EXPECT_EQ(acc(*l)->role(), QAccessible::StaticText) << l->name();
        EXPECT_EQ(name(*l), l->caption()) << l->name();
    }
    EXPECT_TRUE(w.lblFreePhysicalShow.caption().ends_with(" MB"));
    EXPECT_EQ(acc(w.Frame1)->role(), QAccessible::Grouping);
    EXPECT_EQ(name(w.Frame1), "Физ. память");  // the padding blanks are not read
    EXPECT_EQ(name(w.Frame2), "Файл стр");
    // Each caption is also its frame's first child, a line of text where it
    // is drawn, above the frame's figures: read in turn, not only as context.
    for (auto [frame, first_figure] : {std::pair<const tk::Control*, const tk::Control*>{&w.Frame1, &w.lblTotalPhysical},
                                       {&w.Frame2, &w.lblTotalPagefile}}) {
        QAccessibleInterface* caption = acc(*frame)->child(0);
        ASSERT_NE(caption, nullptr) << frame->name();
        EXPECT_EQ(caption->role(), QAccessible::StaticText);
        EXPECT_EQ(caption->text(QAccessible::Name), acc(*frame)->text(QAccessible::Name));
        EXPECT_EQ(caption->parent(), acc(*frame));
        EXPECT_EQ(acc(*frame)->indexOfChild(caption), 0);
        EXPECT_EQ(acc(*frame)->child(acc(*frame)->indexOfChild(acc(*first_figure))), acc(*first_figure));
        EXPECT_TRUE(acc(*frame)->rect().contains(caption->rect())) << frame->name();
        EXPECT_LT(caption->rect().top(), acc(*first_figure)->rect().top()) << frame->name();
    }
    // The main window is a frame, the About box a dialog.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(widget(w))->role(), QAccessible::Window);

    // The bars: free megabytes out of the total, not the drawn length.
    for (auto [bar, free, total] : {std::tuple{&w.picUsedPhysical, &w.lblFreePhysicalShow, &w.lblTotalPhysicalShow},
                                    std::tuple{&w.picUsedPagefile, &w.lblFreePagefileShow, &w.lblTotalPagefileShow}}) {
        QAccessibleInterface* a = acc(*bar);
        EXPECT_EQ(a->role(), QAccessible::ProgressBar) << bar->name();
        EXPECT_EQ(a->text(QAccessible::Name), acc(*bar->parent())->text(QAccessible::Name));
        auto* value = a->valueInterface();
        ASSERT_NE(value, nullptr) << bar->name();
        EXPECT_EQ(value->currentValue().toLongLong(), figure(*free)) << bar->name();
        EXPECT_EQ(value->maximumValue().toLongLong(), figure(*total)) << bar->name();
        EXPECT_EQ(value->minimumValue().toLongLong(), 0);
        EXPECT_EQ(a->text(QAccessible::Value).toStdString(), free->caption() + " free of " + total->caption());
        // The fills inside are the bar's drawing, not objects of their own.
        EXPECT_EQ(a->childCount(), 0);
    }
    // A figure follows the refresh.
    w.lblFreePhysicalShow.set_caption("1234 MB");
    EXPECT_EQ(name(w.lblFreePhysicalShow), "1234 MB");
    EXPECT_EQ(acc(w.picUsedPhysical)->valueInterface()->currentValue().toLongLong(), 1234);

    // The About box: its lines, its buttons, its picture; OK is the default.
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    frmAbout& a = *w.About();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(widget(a))->role(), QAccessible::Dialog);
    EXPECT_EQ(name(a.lblTitle), "Taluvex");
    EXPECT_EQ(name(a.lblVersion), "v2.0");
    EXPECT_EQ(name(a.lblAuthor), "RUS by Vemkaro");
    EXPECT_EQ(acc(a.picIcon)->role(), QAccessible::Graphic);
    EXPECT_EQ(acc(a.picIcon)->text(QAccessible::Name), QGuiApplication::applicationDisplayName());
    EXPECT_TRUE(acc(a.picIcon)->state().focusable);
    EXPECT_EQ(name(a.cmdOK), "OK");
    EXPECT_EQ(name(a.cmdSysInfo), "Система");
    EXPECT_TRUE(acc(a.cmdOK)->state().defaultButton);
    EXPECT_FALSE(acc(a.cmdSysInfo)->state().defaultButton);
    a.unload();
}

TEST(Accessible, MenuEntriesAreNamedByTheirCaptionAndHoldTheirKey) {
    Program p;
    frmMain& w = *p.w;
    QAction* clean = action(w.mnuDefragMemory1);
    // The caption exactly, trailing blanks and all; the key is the binding.
    EXPECT_EQ(clean->text(), QString::fromUtf8("Отчистить   "));
    EXPECT_EQ(clean->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(action(w.mnuAbout)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(action(w.mnuShow)->shortcut().isEmpty());
    auto* file = static_cast<tk::qt::MenuPeer*>(w.mnuFile.peer(test::key()))->submenu();
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(file);
    QAccessibleInterface* item = nullptr;
    for (int i = 0; i < menu->childCount(); ++i)
        if (menu->child(i)->object() == clean) item = menu->child(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(QAccessible::Name), QString::fromUtf8("Отчистить   "));
    EXPECT_EQ(item->text(QAccessible::Accelerator), "Ctrl+F");
    // As "mnemonic;path;accelerator" (joined by the bridge): screen readers
    // speak the accelerator field.
    ASSERT_NE(item->actionInterface(), nullptr);
    EXPECT_EQ(item->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              (QStringList{QString(), QString(), "Ctrl+F"}));
    // The menu still draws the caption, then the key after a tab.
    struct MenuProbe : QMenu {
        using QMenu::initStyleOption;
    };
    QStyleOptionMenuItem opt;
    static_cast<MenuProbe*>(file)->initStyleOption(&opt, clean);
    EXPECT_EQ(opt.text, QString::fromUtf8("Отчистить   \tCtrl+F"));

    // The key chooses the entry once, through the form.
    QWidget* window = widget(w);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    int clicks = 0;
    w.mnuDefragMemory3.on_click = [&] { ++clicks; };
    QTest::keyClick(window, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    // A shut menu keeps its entries' keys from choosing them.
    w.mnuFile.set_enabled(false);
    QTest::keyClick(window, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
}

// A label drawn large enough for its glyphs to have solid ink, as it shows.
QImage drawn_large(QWidget* label) {
    QFont big = label->font();
    big.setPixelSize(40);
    big.setBold(true);
    const QFont old = label->font();
    label->setFont(big);
    const QImage img = label->grab().toImage();
    label->setFont(old);
    return img;
}

TEST(DarkTheme, FixedTextColoursReachTheContrastLightOnesStayExact) {
    Program p;
    frmMain& w = *p.w;
    QTest::qWait(100);
    const tk::Label* coloured[] = {&w.lblUsedPhysicalShow, &w.lblFreePhysicalShow};
    // Light: the layout's red and green as laid out.
    for (const tk::Label* l : coloured) {
        QWidget* label = widget(*l);
        const QColor ink_drawn = ink(drawn_large(label), label->palette().color(QPalette::Window));
        EXPECT_EQ(ink_drawn.rgb(), tk::qt::qcolor(l->fore_color()).rgb()) << l->name();
    }
    // Dark: every fixed colour, the About title's black included, at 4.5:1.
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    QTest::qWait(20);
    auto expect_readable = [](const tk::Control& l) {
        QWidget* label = widget(l);
        const QColor back = label->palette().color(QPalette::Window);
        ASSERT_EQ(back.rgb(), QColor(0x35, 0x35, 0x35).rgb()) << l.name();
        const QColor drawn = ink(drawn_large(label), back);
        EXPECT_GE(tk::contrast_ratio(tk::qt::tk_color(drawn), tk::qt::tk_color(back)), 4.5) << l.name();
    };
    for (const tk::Label* l : coloured) expect_readable(*l);
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    expect_readable(w.About()->lblTitle);
    w.About()->unload();
    QApplication::setPalette(light);
}

TEST(HiDpi, TheBarBorderCoversWholeScreenPixelsAtScaleTwo) {
    Program p;
    frmMain& w = *p.w;
    QWidget* bar = widget(w.picUsedPagefile);
    QImage img(bar->size() * 2, QImage::Format_ARGB32);
    img.setDevicePixelRatio(2);
    img.fill(Qt::white);
    bar->render(&img);
    const QRgb shadow = bar->palette().color(QPalette::Shadow).rgb();
    const int W = img.width(), H = img.height();
    // Two screen pixels of border on every side, none of the red fill.
    for (int y = 0; y < H; ++y)
        for (int x : {0, 1, W - 2, W - 1}) ASSERT_EQ(img.pixel(x, y), shadow) << x << "," << y;
    for (int x = 0; x < W; ++x)
        for (int y : {0, 1, H - 2, H - 1}) ASSERT_EQ(img.pixel(x, y), shadow) << x << "," << y;
    EXPECT_NE(img.pixel(2, H / 2), shadow);  // the fill starts inside it
}

TEST(Keyboard, TheAboutIconShowsWhenTabReachesIt) {
    Program p;
    ASSERT_TRUE(p.w->user_shortcut(test::key(), tk::Shortcut::F1));
    frmAbout& a = *p.w->About();
    QWidget* box = widget(a);
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box));
    QWidget* icon = widget(a.picIcon);
    const QImage unfocused = icon->grab().toImage();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), icon);
    EXPECT_NE(icon->grab().toImage(), unfocused);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(icon->grab().toImage(), unfocused);
    a.unload();
}

TEST(Icons, LargeSizesAreWholeNumberScalesOfThePixelData) {
    const QImage file16(file16_xpm), window32(window32_xpm);
    // 48 = 16 x 3: every source pixel is a 3 x 3 block.
    const QImage big = tk::qt::icons::at_size(file16, 48);
    ASSERT_EQ(big.size(), QSize(48, 48));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) ASSERT_EQ(big.pixel(x, y), file16.convertToFormat(QImage::Format_ARGB32).pixel(x / 3, y / 3));
    // 32 does not go into 48: the picture stays at 32, centred, crisp.
    const QImage centred = tk::qt::icons::at_size(window32, 48);
    EXPECT_EQ(centred.pixelColor(3, 3).alpha(), 0);
    EXPECT_EQ(centred.copy(8, 8, 32, 32), window32.convertToFormat(QImage::Format_ARGB32));
    // The icons carry 48 and 64 pixel images for HiDPI trays.
    for (const QIcon& icon : {tk::qt::icons::window(), tk::qt::icons::file()}) {
        const auto sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(48, 48)));
        EXPECT_TRUE(sizes.contains(QSize(64, 64)));
    }
}
