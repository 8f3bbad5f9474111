// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/qt_desktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFontInfo>
#include <QFontMetrics>
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
#include <QSystemTrayIcon>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "toolkit/error.h"
#include "toolkit/qt/accessible.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/form_peer.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/tray_icon.h"
#include "toolkit/shell_codes.h"

namespace tk::qt {

DesktopKey desktop_key() { return {}; }

namespace {

// The handles the program's two icons go by in a tray record.
constexpr std::uint32_t kWindowIconHandle = 0x7A110001, kFileIconHandle = 0x7A110002;
constexpr int vbOK = 1;

constexpr char kDialogFamily[] = "Liberation Sans";
constexpr double kDialogPoints = 8;  // the size the layout was made for
constexpr double kSmallestPoints = 6;

QMessageBox::Icon box_icon(int style) {
    switch (style & 0x70) {
        case 16: return QMessageBox::Critical;
        case 32: return QMessageBox::Question;
        case 48: return QMessageBox::Warning;
        case 64: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

// A form's pop-up menus are its hidden top-level menus; the tray's is the
// first of them, and hosts that draw it read it before any click.
Menu* popup_menu_of(Form& form) {
    for (Control* c : form.children()) {
        if (c->kind() != Kind::Menu || c->visible()) continue;
        if (auto* m = static_cast<Menu*>(c); m->has_entries()) return m;
    }
    return nullptr;
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

// The dialog font: Liberation Sans, whose narrow metrics match the classic
// dialog faces the layout was made for (the package depends on it), at 8
// points; without it, the desktop's own family. attach() shrinks it if a
// caption would not fit.
QFont dialog_font() {
    QFont font = QApplication::font();
    QFont liberation = font;
    liberation.setFamilies({QString::fromLatin1(kDialogFamily)});
    if (QFontInfo(liberation).family() == QLatin1String(kDialogFamily)) font = liberation;
    font.setPointSizeF(kDialogPoints);
    return font;
}

// Whether a control's caption shows whole in the box laid out for it.
bool caption_fits(const Control& c, const QFont& font) {
    if (c.caption().empty()) return true;
    const QFontMetrics fm(font);
    const QString text = QString::fromStdString(c.caption());
    const QRect box = px_rect(c);
    const int width = fm.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text).width();
    switch (c.kind()) {
        case Kind::Label: return width <= box.width() && fm.height() <= box.height();
        case Kind::Frame: return width + FrameBox::kCaptionInset <= box.width();
        case Kind::CommandButton: {
            const QStyle* style = QApplication::style();
            const int margin = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                    style->pixelMetric(QStyle::PM_DefaultFrameWidth));
            return width + margin <= box.width() && fm.height() + margin / 2 <= box.height();
        }
        default: return true;
    }
}

}  // namespace

QtDesktop::QtDesktop() {
    state_.window_icon = icons::window();
    state_.file_icon = icons::file();
    state_.menu_changed = [this](const Menu& m) { menu_changed(m); };
    QApplication::setFont(dialog_font());
    QApplication::setStyle(new ProgramStyle);
    install_accessibility();
    tick_timer_.setTimerType(Qt::PreciseTimer);
    tick_timer_.setSingleShot(true);
    QObject::connect(&tick_timer_, &QTimer::timeout, &tick_timer_, [this] { tick(); });
}

QtDesktop::~QtDesktop() {
    tick_timer_.stop();
    tray_.clear();
    retired_.clear();
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
    const auto key = std::make_pair(data.hWnd, data.uID);
    TrayIconState& state = tray_state_[key];
    const bool ok = apply(state, message, data);
    if (!state.shown) tray_state_.erase(key);
    if (!ok) return 0;
    auto it = tray_.find(key);
    // Only what the request names goes to the icon: a host is told of nothing
    // that did not change.
    auto show_named = [&](TrayIcon& icon) {
        if (data.uFlags & NIF_ICON) {
            IconId id = IconId::None;
            if (state.icon == kWindowIconHandle) id = IconId::Window;
            if (state.icon == kFileIconHandle) id = IconId::File;
            icon.set_icon(state_.icon(id));
        }
        if (data.uFlags & NIF_TIP) {
            const std::string tip = tip_text(state);
            icon.set_tip(QString::fromLatin1(tip.data(), static_cast<qsizetype>(tip.size())));
        }
    };
    switch (message) {
        case NIM_ADD: {
            const std::uint32_t hwnd = data.hWnd;
            auto icon = std::make_unique<TrayIcon>([this, hwnd](std::uint32_t msg) { tray_message(hwnd, msg); },
                                                   [this, hwnd] { tray_menu_step(hwnd); },
                                                   [this, hwnd] { tray_lost(hwnd); });
            show_named(*icon);
            if (Control* c = control_by_handle(hwnd))
                if (Menu* menu = popup_menu_of(c->form())) icon->set_menu(c->form(), *menu);
            // Shown even with no tray yet: it docks when one appears.
            icon->show();
            tray_.emplace(key, std::move(icon));
            return 1;
        }
        case NIM_MODIFY:
            if (it == tray_.end()) return 0;
            show_named(*it->second);
            return 1;
        case NIM_DELETE: {
            if (it == tray_.end()) return 0;
            // Possibly called from this icon's own signal: its objects stay
            // until the end.
            it->second->hide();
            retired_.push_back(std::move(it->second));
            tray_.erase(it);
            return 1;
        }
        default: return 0;
    }
}

bool QtDesktop::tray_icon_present() {
    return std::any_of(tray_.begin(), tray_.end(), [](const auto& t) { return t.second->present(); });
}

void QtDesktop::menu_changed(const Menu& m) {
    for (auto& [key, icon] : tray_) {
        if (!icon->exports_menu() || !icon->menu()) continue;
        for (const Control* c = &m; c; c = c->parent()) {
            if (c != icon->menu()) continue;
            icon->refresh_menu();
            break;
        }
    }
}

Control* QtDesktop::control_by_handle(std::uint32_t hwnd) const {
    if (hwnd == 0) return nullptr;
    for (Form* f : forms_) {
        if (f->hwnd() == hwnd) return f;
        for (Control* c : f->controls())
            if (c->hwnd() == hwnd) return c;
    }
    return nullptr;
}

void QtDesktop::tray_message(std::uint32_t hwnd, std::uint32_t message) {
    if (Control* c = control_by_handle(hwnd)) c->form().user_tray_message(desktop_key(), *c, message);
}

void QtDesktop::tray_lost(std::uint32_t hwnd) {
    // A window hidden to a tray that turned out not to be there would be out
    // of reach: it comes back minimised, as if there had been no tray.
    Control* c = ended_ ? nullptr : control_by_handle(hwnd);
    if (!c) return;
    Form& f = c->form();
    if (f.loaded() && !f.visible()) f.minimize();
}

void QtDesktop::tray_menu_step(std::uint32_t hwnd) {
    // The step sets the captions and asks for the pop-up, which the host
    // shows itself: popup_menu only brings the exported copy up to date.
    in_menu_step_ = true;
    tray_message(hwnd, WM_RBUTTONUP);
    in_menu_step_ = false;
}

void QtDesktop::popup_menu(Form& owner, Menu& menu) {
    for (auto& [key, icon] : tray_)
        if (icon->exports_menu() && icon->menu() == &menu) icon->refresh_menu();
    if (in_menu_step_) return;
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

std::uint32_t QtDesktop::icon_handle(IconId icon) {
    switch (icon) {
        case IconId::Window: return kWindowIconHandle;
        case IconId::File: return kFileIconHandle;
        case IconId::None: break;
    }
    return 0;
}

IconId QtDesktop::load_icon_resource(int id) {
    if (id != 1) throw Error(ErrorCode::ResourceNotFound, "Resource with identifier not found");
    return IconId::File;
}

void QtDesktop::fit_dialog_font(const Form& form) {
    // A wider face (the desktop's, or any face at a higher font DPI) gets the
    // largest quarter-point size at which every caption in the dialog font
    // fits; the sizes laid out for other faces shrink by as much.
    QFont font = QApplication::font();
    // Captions in a laid-out size of their own are measured at that size,
    // scaled as the dialog font is.
    auto all_fit = [&](const QFont& f) {
        return std::all_of(form.controls().begin(), form.controls().end(), [&](const Control* c) {
            const Font& own = c->font();
            if (own.face.empty() || own.points <= 0) return caption_fits(*c, f);
            QFont sized = f;
            sized.setPointSizeF(own.points * f.pointSizeF() / kDialogPoints);
            sized.setWeight(static_cast<QFont::Weight>(std::clamp(own.weight, 1, 1000)));
            return caption_fits(*c, sized);
        });
    };
    double points = font.pointSizeF();
    while (points > kSmallestPoints && !all_fit(font)) {
        points -= 0.25;
        font.setPointSizeF(points);
    }
    if (font != QApplication::font()) QApplication::setFont(font);
    state_.font_scale = points / kDialogPoints;
}

void QtDesktop::attach(Form& form) {
    fit_dialog_font(form);
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
    for (auto& [key, icon] : tray_) icon->hide();
    for (const QPointer<QWidget>& w : windows_)
        if (w) w->hide();
    QCoreApplication::exit(0);
}

void QtDesktop::unhandled_error(const std::exception& e) {
    std::fprintf(stderr, "taluvex: %s\n", e.what());
    std::fflush(stderr);
}

}  // namespace tk::qt
