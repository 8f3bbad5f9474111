// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/qt_desktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QIconEngine>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QShortcut>
#include <QGuiApplication>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "toolkit/error.h"
#include "toolkit/qt/accessible.h"
#include "toolkit/qt/dialog_font.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/form_peer.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/tray.h"

namespace tk::qt {

DesktopKey desktop_key() { return {}; }

namespace {

constexpr int vbOK = 1;

QMessageBox::Icon box_icon(int style) {
    switch (style & 0x70) {
        case 16: return QMessageBox::Critical;
        case 32: return QMessageBox::Question;
        case 48: return QMessageBox::Warning;
        case 64: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

bool on_wayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// The menu bar's overflow button (never shown at this window's width) would
// decode a set of PNG icons at start-up, bringing in the PNG library and the
// image plug-ins; this arrow is drawn by the style only if it ever shows.
class ArrowIconEngine : public QIconEngine {
public:
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QStyleOption opt;
        opt.rect = rect;
        opt.palette = QApplication::palette();
        if (mode == QIcon::Disabled) opt.palette.setCurrentColorGroup(QPalette::Disabled);
        QApplication::style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &opt, p);
    }
    QIconEngine* clone() const override { return new ArrowIconEngine; }
};

class ProgramStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap sp, const QStyleOption* opt, const QWidget* w) const override {
        if (sp == SP_ToolBarHorizontalExtensionButton) return QIcon(new ArrowIconEngine);
        return QProxyStyle::standardIcon(sp, opt, w);
    }
};

}  // namespace

QtDesktop::QtDesktop() {
    state_.window_icon = icons::window();
    state_.file_icon = icons::file();
    tray_ = std::make_unique<QtTray>(state_, [this](std::uint32_t hwnd) { return control_by_handle(hwnd); });
    state_.tray = tray_.get();
    QApplication::setFont(dialog_font());
    QApplication::setStyle(new ProgramStyle);
    install_accessibility();
    tick_timer_.setTimerType(Qt::PreciseTimer);
    tick_timer_.setSingleShot(true);
    QObject::connect(&tick_timer_, &QTimer::timeout, &tick_timer_, [this] { tick(); });
}

QtDesktop::~QtDesktop() {
    tick_timer_.stop();
    state_.tray = nullptr;
    tray_.reset();
    for (const QPointer<QWidget>& w : windows_) delete w.data();
}

void QtDesktop::start(Runtime& rt) {
    rt_ = &rt;
    clock_.start();
    rt.scheduler().set_clock([this] { return static_cast<std::int64_t>(clock_.elapsed()); });
    tick_timer_.start(1);
}

void QtDesktop::tick() {
    if (ended_ || !rt_) return;
    const qint64 delay = rt_->tick([this] { return clock_.elapsed(); });
    if (!ended_) tick_timer_.start(static_cast<int>(delay));
}

int QtDesktop::message_box(const std::string& prompt, int style, const std::string& title, Form* /*owner*/) {
    // Application-modal, so it needs no owner: every window of the program
    // waits for it, and the window manager places it as a dialog of its own.
    QMessageBox box(box_icon(style), QString::fromStdString(title), QString::fromStdString(prompt),
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    return vbOK;
}

std::uint32_t QtDesktop::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    return tray_->shell_notify_icon(message, data);
}

bool QtDesktop::tray_icon_present() { return tray_->present(); }

Control* QtDesktop::control_by_handle(std::uint32_t hwnd) const {
    if (hwnd == 0) return nullptr;
    for (Form* f : forms_) {
        if (f->hwnd() == hwnd) return f;
        for (Control* c : f->controls())
            if (c->hwnd() == hwnd) return c;
    }
    return nullptr;
}

void QtDesktop::popup_menu(Form& owner, Menu& menu) {
    if (tray_->host_shows_popup(menu)) return;
    // There a menu with no parent window becomes a window of its own, placed
    // by the compositor: hosts draw the tray's menu themselves.
    if (on_wayland()) return;
    QMenu popup;
    std::vector<std::pair<QAction*, Menu*>> entries;
    fill_popup(popup, menu, entries);
    if (entries.empty()) return;
    QAction* chosen = popup.exec(QCursor::pos());
    if (!chosen) return;
    auto it = std::find_if(entries.begin(), entries.end(), [chosen](const auto& e) { return e.first == chosen; });
    if (it == entries.end()) return;
    owner.user_choose(desktop_key(), *it->second, /*via_popup=*/true);
}

std::uint32_t QtDesktop::icon_handle(IconId icon) { return QtTray::icon_handle(icon); }

IconId QtDesktop::load_icon_resource(int id) {
    if (id != 1) throw Error(ErrorCode::ResourceNotFound, "Resource with identifier not found");
    return IconId::File;
}

void QtDesktop::attach(Form& form) {
    state_.font_scale = fit_dialog_font(form);
    auto* window = new FormWindow(state_, form);
    windows_.emplace_back(window);
    auto form_peer = std::make_unique<FormPeer>(state_, form, window);
    FormPeer* fp = form_peer.get();
    form.set_peer(desktop_key(), std::move(form_peer));

    for (Control* c : form.controls()) {
        if (c->kind() == Kind::Menu) {
            auto* m = static_cast<Menu*>(c);
            QMenu* parent_menu = nullptr;
            if (!m->top_level()) {
                auto* pp = dynamic_cast<MenuPeer*>(m->parent()->peer(desktop_key()));
                parent_menu = pp ? pp->submenu() : nullptr;
                if (!parent_menu) continue;
            }
            // An entry with a shortcut holds its key (see MenuPeer).
            m->set_peer(desktop_key(), std::make_unique<MenuPeer>(state_, *m, parent_menu, window->menu_bar()));
            continue;
        }
        auto* parent_peer = dynamic_cast<WidgetPeer*>(c->parent() ? c->parent()->peer(desktop_key()) : nullptr);
        QWidget* parent = parent_peer ? parent_peer->container() : window->client();
        if (!parent) parent = window->client();
        std::unique_ptr<WidgetPeer> peer;
        switch (c->kind()) {
            case Kind::Label: peer = std::make_unique<LabelPeer>(state_, *c, parent); break;
            case Kind::Frame: peer = std::make_unique<FramePeer>(state_, *c, parent); break;
            case Kind::PictureBox: peer = std::make_unique<PicturePeer>(state_, *c, parent); break;
            case Kind::CommandButton: peer = std::make_unique<ButtonPeer>(state_, *c, parent); break;
            case Kind::Form:
            case Kind::Menu: break;
        }
        if (!peer) continue;
        // Controls laid out earlier stay on top of later siblings.
        peer->widget()->lower();
        // Only the model's tab stops take the focus, and a box takes it
        // without a mouse click, as it does in the classic dialog.
        const bool button = c->kind() == Kind::CommandButton;
        peer->widget()->setFocusPolicy(c->tab_stop() ? (button ? Qt::StrongFocus : Qt::TabFocus) : Qt::NoFocus);
        c->set_peer(desktop_key(), std::move(peer));
    }
    // Tab follows the model's order, whatever order the widgets were made in.
    QWidget* previous = nullptr;
    for (Control* c : form.tab_order()) {
        auto* peer = dynamic_cast<WidgetPeer*>(c->peer(desktop_key()));
        if (!peer || !peer->widget()) continue;
        if (previous) QWidget::setTabOrder(previous, peer->widget());
        previous = peer->widget();
    }

    if (!form.has_menu_bar())
        if (QMenuBar* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) bar->hide();
    // The menu bar keeps the height the window was sized for, whatever font
    // a platform theme sets later.
    if (QMenuBar* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        QFont fitted = QApplication::font();
        fitted.setResolveMask(QFont::AllPropertiesResolved);
        bar->setFont(fitted);
    }

    fp->fit_window();
    forms_.push_back(&form);
}

void QtDesktop::detach(Form& form) {
    const auto& controls = form.controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) (*it)->set_peer(desktop_key(), nullptr);
    form.set_peer(desktop_key(), nullptr);
    forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
}

void QtDesktop::end() {
    ended_ = true;
    tick_timer_.stop();
    tray_->end();
    for (const QPointer<QWidget>& w : windows_)
        if (w) w->hide();
    QCoreApplication::exit(0);
}

void QtDesktop::unhandled_error(const std::exception& e) {
    std::fprintf(stderr, "taluvex: %s\n", e.what());
    std::fflush(stderr);
}

}  // namespace tk::qt
