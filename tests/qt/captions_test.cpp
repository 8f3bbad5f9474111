// SPDX-License-Identifier: GPL-3.0-or-later
// Every fixed caption of both windows, measured in the font the program
// really draws it with, against the box the layout gives it: a face wider
// than the layout's cannot clip a caption unnoticed.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/qt/peers.h"
#include "qt_program.h"

namespace {

using tk::qt::WidgetPeer;

using test::widget;

// The pixels a text takes when drawn on one line, access-key marks removed.
QSize text_size(const QFont& font, const QString& text) {
    return QFontMetrics(font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, text);
}

// The ink of a text drawn from x = 0 ends inside `width`: a last glyph may
// reach past its advance. (A first glyph such as T may start a fraction of a
// pixel left of its origin, as it does in every toolkit; nothing is lost.)
bool ink_inside(const QFont& font, const QString& text, int width) {
    return QFontMetrics(font).tightBoundingRect(text).right() < width;
}

// A label's text: its box, cut further by the window's client area.
void expect_label_fits(const tk::Control& c, const QString& text) {
    QWidget* w = widget(c);
    const QFont font = w->font();
    int room = w->width();
    const QWidget* client = w->window();
    const int right_in_window = w->mapTo(client, QPoint(w->width(), 0)).x();
    if (right_in_window > client->width()) room -= right_in_window - client->width();
    const QSize size = text_size(font, text);
    EXPECT_LE(size.width(), room) << c.name() << " \"" << text.toStdString() << "\" in "
                                  << font.family().toStdString() << " " << font.pointSizeF() << " pt";
    EXPECT_TRUE(ink_inside(font, text, room)) << c.name() << " \"" << text.toStdString() << "\"";
    EXPECT_LE(QFontMetrics(font).height(), w->height()) << c.name();
}

void expect_frame_caption_fits(const tk::Control& c) {
    QWidget* w = widget(c);
    const QString text = QString::fromStdString(c.caption());
    // Drawn 9 pixels in; the frame's right edge needs 3 more.
    EXPECT_LE(9 + text_size(w->font(), text).width() + 3, w->width()) << c.name();
}

void expect_button_caption_fits(const tk::Control& c) {
    auto* b = static_cast<QPushButton*>(widget(c));
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
    const QSize size = text_size(b->font(), b->text());
    EXPECT_LE(size.width(), room.width()) << c.name() << " \"" << b->text().toStdString() << "\"";
    EXPECT_LE(size.height(), room.height()) << c.name();
}

void expect_all_fixed_captions_fit(frmMain& w) {
    for (tk::Control* c : w.controls()) {
        if (c->kind() == tk::Kind::Frame) expect_frame_caption_fits(*c);
    }
    for (tk::Label* l : {&w.lblTotalPhysical, &w.lblUsedPhysical, &w.lblFreePhysical, &w.lblTotalPagefile,
                         &w.lblUsedPagefile, &w.lblFreePagefile})
        expect_label_fits(*l, QString::fromStdString(l->caption()));
    // The figures, up to a terabyte of memory.
    for (tk::Label* l : {&w.lblTotalPhysicalShow, &w.lblUsedPhysicalShow, &w.lblFreePhysicalShow,
                         &w.lblTotalPagefileShow, &w.lblUsedPagefileShow, &w.lblFreePagefileShow}) {
        expect_label_fits(*l, QString::fromStdString(l->caption()));
        for (const char* figure : {"TOTAL", "USED", "FREE", "24105 MB", "1048576 MB"})
            expect_label_fits(*l, QString::fromLatin1(figure));
    }
    // Every text the status line is given.
    for (const char* status : {"Готов", "Freeing up memory...", "Out of memory, freeing...", "Ready",
                               "Done, quitting in 3..."})
        expect_label_fits(w.lblStatus, QString::fromUtf8(status));

    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    frmAbout& a = *w.About();
    for (tk::Label* l : {&a.lblTitle, &a.lblVersion, &a.lblAuthor})
        expect_label_fits(*l, QString::fromStdString(l->caption()));
    expect_button_caption_fits(a.cmdOK);
    expect_button_caption_fits(a.cmdSysInfo);
    a.unload();
}

// Started by each test once it has set the fonts up.
struct Program : test::QtProgram {
    Program() : QtProgram({}, Start::Later) {}
};

}  // namespace

TEST(Captions, FitTheirBoxesInTheProgramsFont) {
    Program p;
    p.start();
    QTest::qWait(100);  // the figures replace the placeholders
    // The package brings Liberation Sans: the layout's 8 points, nothing shrunk.
    // (Read from the window: a platform theme may set the application's font later.)
    const QFont font = widget(*p.w)->font();
    EXPECT_EQ(QFontInfo(font).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(font.pointSizeF(), 8);
    EXPECT_EQ(widget(p.w->lblTotalPhysical)->font(), font);
    expect_all_fixed_captions_fit(*p.w);
}

TEST(Captions, AWiderDesktopFaceShrinksUntilEveryCaptionFits) {
    Program p;
    // The desktop's face where the program's own is missing, and bigger.
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setPointSizeF(9);
    QApplication::setFont(wide);
    ASSERT_GT(text_size(wide, QString::fromUtf8("Всего:")).width(), 495 / 15);  // it would clip
    p.start();
    const QFont font = QApplication::font();
    EXPECT_EQ(font.family().toStdString(), "DejaVu Sans");
    EXPECT_LT(font.pointSizeF(), 9);
    // The largest quarter point that fits: a quarter more would not.
    QFont larger = font;
    larger.setPointSizeF(font.pointSizeF() + 0.25);
    EXPECT_GT(text_size(larger, QString::fromUtf8("Всего:")).width(), 495 / 15);
    expect_all_fixed_captions_fit(*p.w);
    // The About box's own sizes shrink by as much.
    ASSERT_TRUE(p.w->user_shortcut(test::key(), tk::Shortcut::F1));
    EXPECT_DOUBLE_EQ(widget(p.w->About()->lblTitle)->font().pointSizeF(), 12 * font.pointSizeF() / 8);
    p.w->About()->unload();
}

TEST(Captions, HoldWhenThePlatformThemeSetsTheApplicationFontLater) {
    Program p;
    p.start();
    QTest::qWait(50);
    // What qt6ct or KDE's theme does once the program runs: a 12 point face.
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPointSizeF(12);
    QApplication::setFont(big);
    QTest::qWait(50);
    EXPECT_EQ(QFontInfo(widget(p.w->lblTotalPhysical)->font()).family().toStdString(), "Liberation Sans");
    expect_all_fixed_captions_fit(*p.w);
}
