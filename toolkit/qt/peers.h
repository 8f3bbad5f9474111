#pragma once
// The real widgets behind the form model's controls. Each widget keeps a
// pointer to its control while the peer lives; the peer's end clears it, so
// a widget that waits for its deferred deletion never reaches the model.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <cmath>
#include <cstdint>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"

namespace tk::qt {

class QtPlatform;

// 15 twips to the logical pixel; Qt scales logical pixels to the screen.
inline int px(double twips) { return static_cast<int>(std::lround(twips / 15.0)); }
// Edges rounded, not sizes, so boxes laid side by side leave no gap.
QRect px_rect(const Control& c);
QColor qcolor(Color c);

// --- widgets ------------------------------------------------------------------

// The form's client area, below its menu bar.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// One line of plain text, left-aligned or centred, clipped by the box.
class LabelBox : public QWidget {
public:
    explicit LabelBox(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;
    void set_text(const QString& text);
    const QString& text() const { return text_; }
    void set_alignment(Qt::Alignment a) { align_ = a; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QString text_;
    Qt::Alignment align_ = Qt::AlignLeft;
};

// A captioned frame whose line runs through the middle of its caption, as
// the layout assumes: children start just below the caption's top.
class FrameBox : public QWidget {
public:
    // The caption stands 9 pixels in and leaves 3 free at the right.
    static constexpr int kCaptionInset = 14;
    explicit FrameBox(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;
    void set_title(const QString& title);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QString title_;
};

// A filled box with an optional single border and picture; its children sit
// in an inner area inside the border and are clipped by it.
class PictureBoxWidget : public QWidget {
public:
    explicit PictureBoxWidget(QWidget* parent);
    Control* control = nullptr;
    QWidget* inner() const { return inner_; }
    void update_from(const Control& c, const QIcon& picture);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void place_inner();
    QWidget* inner_;
    QColor back_;
    bool has_back_ = false;
    bool border_ = false;
    QPixmap picture_;
};

// A top-level window: the menu bar, if any, above the client area.
class FormWindow : public QWidget {
public:
    FormWindow(QtPlatform& platform, Form& form);
    Form* form = nullptr;
    ClientArea* client() const { return client_; }
    QMenuBar* menu_bar();  // made on first use
    // Height of the shown menu bar at the window's width; 0 without one.
    int menu_bar_height() const;
    bool placed = false;  // put in its first place already

protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void report_bounds();
    void lay_out();
    QtPlatform& platform_;
    ClientArea* client_;
    QMenuBar* bar_ = nullptr;
};

// --- peers --------------------------------------------------------------------

class WidgetPeer : public Peer {
public:
    WidgetPeer(QtPlatform& platform, Control& control, QWidget* widget);
    ~WidgetPeer() override;
    std::uint32_t handle() const override { return handle_; }
    void changed(Prop what) override;
    QWidget* widget() const { return widget_; }
    // Where the control's children go.
    virtual QWidget* container() const { return widget_; }

protected:
    void apply_geometry();
    void apply_colors();
    void apply_font();
    virtual void apply_caption() {}
    virtual void clear_target() {}

    QtPlatform& platform_;
    Control& control_;
    QPointer<QWidget> widget_;
    std::vector<QMetaObject::Connection> connections_;
    bool opaque_ = false;  // fills its background even in the default colour

private:
    std::uint32_t handle_;
};

class LabelPeer : public WidgetPeer {
public:
    LabelPeer(QtPlatform& p, Control& c, QWidget* parent);
    ~LabelPeer() override { clear_target(); }

protected:
    void apply_caption() override;
    void clear_target() override;
};

class FramePeer : public WidgetPeer {
public:
    FramePeer(QtPlatform& p, Control& c, QWidget* parent);
    ~FramePeer() override { clear_target(); }

protected:
    void apply_caption() override;
    void clear_target() override;
};

class PicturePeer : public WidgetPeer {
public:
    PicturePeer(QtPlatform& p, Control& c, QWidget* parent);
    ~PicturePeer() override { clear_target(); }
    void changed(Prop what) override;
    QWidget* container() const override;

protected:
    void clear_target() override;
};

class ButtonPeer : public WidgetPeer {
public:
    ButtonPeer(QtPlatform& p, Control& c, QWidget* parent);

protected:
    void apply_caption() override;
};

class FormPeer : public WidgetPeer {
public:
    FormPeer(QtPlatform& p, Form& f, FormWindow* window);
    ~FormPeer() override;
    void changed(Prop what) override;
    QWidget* container() const override;
    FormWindow* window() const;
    // Sizes the window to its client area and the menu bar, once the menus exist.
    void fit_window();

private:
    void show_window();
};

class MenuPeer : public Peer {
public:
    // parent_menu is the QMenu of the parent entry, or null for the menu bar.
    MenuPeer(QtPlatform& p, Menu& m, QMenu* parent_menu, QWidget* bar);
    ~MenuPeer() override;
    std::uint32_t handle() const override { return handle_; }
    void changed(Prop what) override;
    QMenu* submenu() const { return submenu_; }
    QAction* action() const { return action_; }
    void sync_checked();

private:
    void apply_caption();
    QtPlatform& platform_;
    Menu& menu_;
    QPointer<QAction> action_;
    QPointer<QMenu> submenu_;
    QMetaObject::Connection triggered_;
    std::uint32_t handle_;
};

// A menu entry's text: the caption, then its shortcut after a tab.
QString menu_text(const Menu& m);
// Fills a QMenu from the model's entries under menu; what[i] is the Menu of
// each action made, for mapping the chosen action back.
void fill_popup(QMenu& popup, const Menu& menu, std::vector<std::pair<QAction*, Menu*>>& what);

}  // namespace tk::qt
