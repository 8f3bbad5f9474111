#include "toolkit/qt/peers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>

#include "toolkit/qt/qt_platform.h"

namespace tk::qt {
namespace {

constexpr int kBorderPx = 1;  // the single border of a box

bool left_button(const QMouseEvent* e) { return e->button() == Qt::LeftButton; }

// The model decides what an event does; the widget only reports it.
void report_click(Control* c, QMouseEvent* e, const QWidget* w) {
    if (!c || !left_button(e) || !w->rect().contains(e->position().toPoint())) return;
    c->form().user_click(*c);
}

void report_dbl_click(Control* c, QMouseEvent* e) {
    if (!c || !left_button(e)) return;
    c->form().user_dbl_click(*c);
}

// A disabled window takes no input but keeps its look, as while a box of
// the program is open over it: no greying out of every caption.
void set_window_enabled(QWidget& w, bool on) {
    if (on == w.isEnabled()) return;
    if (on) {
        w.setPalette(QPalette());
    } else {
        QPalette pal = w.palette();
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto r = static_cast<QPalette::ColorRole>(role);
            pal.setColor(QPalette::Disabled, r, pal.color(QPalette::Active, r));
        }
        w.setPalette(pal);
    }
    w.setEnabled(on);
}

QWidget* peer_widget(const Control& c) {
    auto* p = dynamic_cast<WidgetPeer*>(c.peer());
    return p ? p->widget() : nullptr;
}

}  // namespace

QRect px_rect(const Control& c) {
    const int x0 = px(c.left()), y0 = px(c.top());
    const int x1 = px(c.left() + c.width()), y1 = px(c.top() + c.height());
    return QRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

QColor qcolor(Color c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

// --- widgets ------------------------------------------------------------------

void ClientArea::mouseDoubleClickEvent(QMouseEvent* e) { report_dbl_click(control, e); }

void LabelBox::set_text(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void LabelBox::paintEvent(QPaintEvent*) {
    if (text_.isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), static_cast<int>(align_ | Qt::AlignTop | Qt::TextSingleLine), text_);
}

void LabelBox::mouseReleaseEvent(QMouseEvent* e) { report_click(control, e, this); }
void LabelBox::mouseDoubleClickEvent(QMouseEvent* e) { report_dbl_click(control, e); }

void FrameBox::set_title(const QString& title) {
    if (title == title_) return;
    title_ = title;
    update();
}

void FrameBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int line = fm.height() / 2;
    const QRect box = rect().adjusted(0, line, -2, -2);
    // An etched line: shadow, with light one pixel below and right.
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(box.translated(1, 1));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(box);
    const QString& caption = title_;
    if (caption.isEmpty()) return;
    const int text_width = fm.horizontalAdvance(caption);
    const QRect text_rect(8, 0, std::min(text_width + 2, std::max(0, width() - 12)), fm.height());
    p.fillRect(text_rect, palette().color(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text_rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, caption);
}

void FrameBox::mouseReleaseEvent(QMouseEvent* e) { report_click(control, e, this); }
void FrameBox::mouseDoubleClickEvent(QMouseEvent* e) { report_dbl_click(control, e); }

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : QWidget(parent), inner_(new QWidget(this)) {}

void PictureBoxWidget::update_from(const Control& c, const QIcon& picture) {
    has_back_ = c.back_color() != kDefaultColor;
    back_ = has_back_ ? qcolor(c.back_color()) : QColor();
    border_ = c.border();
    picture_ = picture.isNull() ? QPixmap() : picture.pixmap(QSize(32, 32));
    // A filled box paints every pixel itself: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent, has_back_);
    place_inner();
    update();
}

void PictureBoxWidget::place_inner() {
    const int b = border_ ? kBorderPx : 0;
    inner_->setGeometry(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}

void PictureBoxWidget::resizeEvent(QResizeEvent*) { place_inner(); }

void PictureBoxWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), has_back_ ? back_ : palette().color(QPalette::Window));
    const int b = border_ ? kBorderPx : 0;
    if (!picture_.isNull()) p.drawPixmap(b, b, picture_);
    if (border_) {
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PictureBoxWidget::mouseReleaseEvent(QMouseEvent* e) { report_click(control, e, this); }
void PictureBoxWidget::mouseDoubleClickEvent(QMouseEvent* e) { report_dbl_click(control, e); }

FormWindow::FormWindow(QtPlatform& platform, Form& f)
    : QWidget(nullptr, f.border_style == BorderStyle::FixedDialog
                               ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowCloseButtonHint
                               : Qt::Window),
      form(&f),
      platform_(platform),
      client_(new ClientArea(this)) {
    client_->control = &f;
}

QMenuBar* FormWindow::menu_bar() {
    if (!bar_) {
        bar_ = new QMenuBar(this);
        lay_out();
    }
    return bar_;
}

int FormWindow::menu_bar_height() const {
    if (!bar_ || bar_->isHidden()) return 0;
    const int h = bar_->heightForWidth(width());
    return h > 0 ? h : bar_->sizeHint().height();
}

void FormWindow::lay_out() {
    const int bar = menu_bar_height();
    if (bar_ && !bar_->isHidden()) bar_->setGeometry(0, 0, width(), bar);
    // The client area keeps its place below the bar whatever the window's size.
    client_->setGeometry(0, bar, std::max(width(), 1), std::max(height() - bar, 1));
}

void FormWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // The user or the window manager minimised or restored the window.
    if (e->type() == QEvent::WindowStateChange && form && isVisible()) form->sync_minimized(isMinimized());
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The close box asks the model; the window goes only if the form unloads.
    e->ignore();
    if (form) form->user_close();
}

void FormWindow::keyPressEvent(QKeyEvent* e) {
    if (!form || e->isAutoRepeat() || (e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(e);
        return;
    }
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const bool escape = e->key() == Qt::Key_Escape;
    if (!enter && !escape) {
        QWidget::keyPressEvent(e);
        return;
    }
    const QWidget* focused = focusWidget();
    const Control* focused_control = nullptr;
    for (Control* c : form->controls())
        if (focused && peer_widget(*c) == focused) focused_control = c;
    if (!form->user_key(enter ? Key::Enter : Key::Escape, focused_control)) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    report_bounds();
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    lay_out();
    report_bounds();
}

void FormWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    report_bounds();
}

void FormWindow::report_bounds() {
    if (!form || !isVisible()) return;
    const QRect outer = frameGeometry(), inner = geometry();
    if (outer != inner)
        platform_.set_frame_margins(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                             outer.right() - inner.right(), outer.bottom() - inner.bottom()));
    form->sync_bounds(outer.x() * 15.0, outer.y() * 15.0, outer.width() * 15.0, outer.height() * 15.0);
}

// --- peers --------------------------------------------------------------------

WidgetPeer::WidgetPeer(QtPlatform& platform, Control& control, QWidget* widget)
    : platform_(platform), control_(control), widget_(widget), handle_(platform.new_handle()) {}

WidgetPeer::~WidgetPeer() {
    for (auto& c : connections_) QObject::disconnect(c);
}

void WidgetPeer::changed(Prop what) {
    if (!widget_) return;
    switch (what) {
        case Prop::Caption: apply_caption(); break;
        case Prop::Enabled: widget_->setEnabled(control_.enabled()); break;
        case Prop::Visible: widget_->setVisible(control_.visible()); break;
        case Prop::Geometry: apply_geometry(); break;
        case Prop::Colors: apply_colors(); break;
        case Prop::Font: apply_font(); break;
        case Prop::Picture:
        case Prop::Checked:
        case Prop::WindowState: break;
    }
}

void WidgetPeer::apply_geometry() {
    const QRect r = px_rect(control_);
    if (widget_->geometry() != r) widget_->setGeometry(r);
}

void WidgetPeer::apply_colors() {
    // Start from what the parent gives, then set only the laid-out colours.
    widget_->setPalette(QPalette());
    const Color fore = control_.fore_color(), back = control_.back_color();
    if (fore == kDefaultColor && back == kDefaultColor) {
        widget_->setAutoFillBackground(opaque_);
        return;
    }
    QPalette pal = widget_->palette();
    if (fore != kDefaultColor) {
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            pal.setColor(role, qcolor(fore));
    }
    if (back != kDefaultColor) {
        for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) pal.setColor(role, qcolor(back));
    }
    widget_->setPalette(pal);
    widget_->setAutoFillBackground(opaque_ || back != kDefaultColor);
}

void WidgetPeer::apply_font() {
    const Font& f = control_.font();
    if (f.face.empty()) {
        widget_->setFont(QFont());
        return;
    }
    // The laid-out face seldom exists here: keep the system's sans family and
    // take the size and weight.
    QFont font = QApplication::font();
    if (f.points > 0) font.setPointSizeF(f.points * platform_.font_scale());
    font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 1, 1000)));
    widget_->setFont(font);
}

LabelPeer::LabelPeer(QtPlatform& p, Control& c, QWidget* parent) : WidgetPeer(p, c, new LabelBox(parent)) {
    auto* label = static_cast<LabelBox*>(widget_.data());
    label->control = &c;
    // Opaque, as the layout's labels are: a changed figure repaints itself
    // only, not the frame and window behind it.
    opaque_ = true;
    label->set_alignment(c.alignment() == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft);
    apply_geometry();
    apply_colors();
    apply_font();
    apply_caption();
    label->setEnabled(c.enabled());
    label->setVisible(c.visible());
}

void LabelPeer::apply_caption() {
    static_cast<LabelBox*>(widget_.data())->set_text(QString::fromStdString(control_.caption()));
}

void LabelPeer::clear_target() {
    if (widget_) static_cast<LabelBox*>(widget_.data())->control = nullptr;
}

FramePeer::FramePeer(QtPlatform& p, Control& c, QWidget* parent) : WidgetPeer(p, c, new FrameBox(parent)) {
    static_cast<FrameBox*>(widget_.data())->control = &c;
    apply_geometry();
    apply_colors();
    apply_font();
    apply_caption();
    widget_->setEnabled(c.enabled());
    widget_->setVisible(c.visible());
}

void FramePeer::apply_caption() {
    static_cast<FrameBox*>(widget_.data())->set_title(QString::fromStdString(control_.caption()));
}

void FramePeer::clear_target() {
    if (widget_) static_cast<FrameBox*>(widget_.data())->control = nullptr;
}

PicturePeer::PicturePeer(QtPlatform& p, Control& c, QWidget* parent)
    : WidgetPeer(p, c, new PictureBoxWidget(parent)) {
    auto* box = static_cast<PictureBoxWidget*>(widget_.data());
    box->control = &c;
    apply_geometry();
    apply_font();
    box->update_from(c, platform_.icon(c.picture()));
    box->setEnabled(c.enabled());
    box->setVisible(c.visible());
}

void PicturePeer::changed(Prop what) {
    if (!widget_) return;
    if (what == Prop::Colors || what == Prop::Picture) {
        static_cast<PictureBoxWidget*>(widget_.data())->update_from(control_, platform_.icon(control_.picture()));
        return;
    }
    WidgetPeer::changed(what);
}

QWidget* PicturePeer::container() const {
    return widget_ ? static_cast<PictureBoxWidget*>(widget_.data())->inner() : nullptr;
}

void PicturePeer::clear_target() {
    if (widget_) static_cast<PictureBoxWidget*>(widget_.data())->control = nullptr;
}

ButtonPeer::ButtonPeer(QtPlatform& p, Control& c, QWidget* parent) : WidgetPeer(p, c, new QPushButton(parent)) {
    auto* button = static_cast<QPushButton*>(widget_.data());
    // Enter and Esc are the window's to route (see FormWindow::keyPressEvent).
    button->setAutoDefault(false);
    apply_geometry();
    apply_colors();
    apply_font();
    apply_caption();
    button->setEnabled(c.enabled());
    button->setVisible(c.visible());
    Control* target = &c;
    connections_.push_back(
        QObject::connect(button, &QPushButton::clicked, button, [target] { target->form().user_click(*target); }));
}

void ButtonPeer::apply_caption() {
    static_cast<QPushButton*>(widget_.data())->setText(QString::fromStdString(control_.caption()));
}

FormPeer::FormPeer(QtPlatform& p, Form& f, FormWindow* window) : WidgetPeer(p, f, window) {
    window->setWindowTitle(QString::fromStdString(f.caption()));
    window->setWindowIcon(platform_.icon(f.icon()));
    set_window_enabled(*window, f.enabled());
    apply_colors();
    apply_font();
}

FormPeer::~FormPeer() {
    // This can run inside a handler of one of the window's own widgets: hide
    // now, delete once the event loop is back.
    if (FormWindow* w = window()) {
        w->form = nullptr;
        w->client()->control = nullptr;
        w->hide();
        w->deleteLater();
    }
}

FormWindow* FormPeer::window() const { return static_cast<FormWindow*>(widget_.data()); }

QWidget* FormPeer::container() const { return window() ? window()->client() : nullptr; }

void FormPeer::fit_window() {
    FormWindow* w = window();
    if (!w) return;
    const Form& f = static_cast<const Form&>(control_);
    w->resize(px(f.client_width()), w->height());
    const QSize size(px(f.client_width()), px(f.client_height()) + w->menu_bar_height());
    if (f.border_style == BorderStyle::FixedDialog)
        w->setFixedSize(size);
    else
        w->resize(size);  // sizable, but the controls keep their laid-out places
    // Until the window shows, its outer bounds come from the frame last seen.
    const QMargins m = platform_.frame_margins();
    Form& form = static_cast<Form&>(control_);
    form.sync_bounds(form.left(), form.top(), (size.width() + m.left() + m.right()) * 15.0,
                     (size.height() + m.top() + m.bottom()) * 15.0);
}

void FormPeer::changed(Prop what) {
    FormWindow* w = window();
    if (!w) return;
    auto& f = static_cast<Form&>(control_);
    switch (what) {
        case Prop::Caption: w->setWindowTitle(QString::fromStdString(f.caption())); break;
        case Prop::Enabled: set_window_enabled(*w, f.enabled()); break;
        case Prop::Visible:
            if (f.visible())
                show_window();
            else
                w->hide();
            break;
        case Prop::WindowState:
            if (f.visible()) show_window();
            break;
        case Prop::Geometry:
            // The model places the window's outer frame; its size stays the laid-out one.
            w->move(px(f.left()), px(f.top()));
            w->placed = true;
            break;
        case Prop::Colors: {
            QWidget* client = w->client();
            client->setPalette(QPalette());
            if (f.back_color() != kDefaultColor) {
                QPalette pal = client->palette();
                pal.setColor(QPalette::Window, qcolor(f.back_color()));
                client->setPalette(pal);
            }
            client->setAutoFillBackground(f.back_color() != kDefaultColor);
            break;
        }
        case Prop::Picture: w->setWindowIcon(platform_.icon(f.icon())); break;
        case Prop::Font: apply_font(); break;
        case Prop::Checked: break;
    }
}

void FormPeer::show_window() {
    FormWindow* w = window();
    auto& f = static_cast<Form&>(control_);
    if (!w->placed) {
        w->placed = true;
        if (f.start_centered) {
            const QMargins m = platform_.frame_margins();
            const QSize outer = w->size().grownBy(m);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            w->move(screen.x() + (screen.width() - outer.width()) / 2,
                    screen.y() + (screen.height() - outer.height()) / 2);
        } else {
            w->move(px(f.left()), px(f.top()));
        }
        // The first control in the tab order has the focus when the window opens.
        if (Control* c = f.first_focus())
            if (QWidget* b = peer_widget(*c)) b->setFocus(Qt::OtherFocusReason);
    }
    if (!f.show_in_taskbar) {
        // A box without a task-bar entry belongs to the program's main window.
        w->winId();
        QWidget* owner = platform_.owner_window(f);
        if (owner && owner->windowHandle() && w->windowHandle()) {
            w->windowHandle()->setTransientParent(owner->windowHandle());
            // Where a program cannot place its windows (Wayland), compositors
            // centre a modal dialog on its parent; elsewhere the model's
            // place stands and the owner is disabled by the model anyway.
            if (!w->isVisible() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
                w->setWindowModality(Qt::WindowModal);
        }
    }
    if (f.minimized()) {
        w->showMinimized();
        return;
    }
    if (w->isMinimized())
        w->showNormal();
    else
        w->show();
    w->raise();
    w->activateWindow();
}

MenuPeer::MenuPeer(QtPlatform& p, Menu& m, QMenu* parent_menu, QWidget* bar)
    : platform_(p), menu_(m), handle_(p.new_handle()) {
    const bool has_entries =
        std::any_of(m.children().begin(), m.children().end(), [](Control* c) { return c->kind() == Kind::Menu; });
    QWidget* owner = parent_menu ? static_cast<QWidget*>(parent_menu) : bar;
    if (has_entries) {
        submenu_ = new QMenu(owner);
        action_ = submenu_->menuAction();
    } else {
        action_ = new QAction(owner);
        Menu* target = &m;
        triggered_ = QObject::connect(action_.data(), &QAction::triggered, action_.data(), [target] {
            // The model enforces enabled state; the check mark follows the model.
            target->form().user_choose(*target);
            if (auto* peer = dynamic_cast<MenuPeer*>(target->peer())) peer->sync_checked();
        });
    }
    apply_caption();
    action_->setEnabled(m.enabled());
    action_->setVisible(m.visible());
    sync_checked();
    owner->addAction(action_);
}

MenuPeer::~MenuPeer() { QObject::disconnect(triggered_); }

void MenuPeer::apply_caption() {
    action_->setSeparator(menu_.is_separator());
    action_->setText(menu_.is_separator() ? QString() : menu_text(menu_));
}

void MenuPeer::sync_checked() {
    if (!action_) return;
    // Only a checked entry is checkable, so unchecked ones show no empty box.
    action_->setCheckable(menu_.checked());
    action_->setChecked(menu_.checked());
}

void MenuPeer::changed(Prop what) {
    if (!action_) return;
    switch (what) {
        case Prop::Caption: apply_caption(); break;
        case Prop::Enabled: action_->setEnabled(menu_.enabled()); break;
        case Prop::Visible: action_->setVisible(menu_.visible()); break;
        case Prop::Checked: sync_checked(); break;
        default: return;
    }
    platform_.menu_changed(menu_);
}

QString menu_text(const Menu& m) {
    QString text = QString::fromStdString(m.caption());
    if (!m.top_level() && m.shortcut() != Shortcut::None) {
        const std::string_view keys = shortcut_text(m.shortcut());
        text += QLatin1Char('\t');
        text += QLatin1String(keys.data(), static_cast<qsizetype>(keys.size()));
    }
    return text;
}

void fill_popup(QMenu& popup, const Menu& menu, std::vector<std::pair<QAction*, Menu*>>& what) {
    for (Control* c : menu.children()) {
        if (c->kind() != Kind::Menu || !c->visible()) continue;
        auto* m = static_cast<Menu*>(c);
        if (m->is_separator()) {
            popup.addSeparator();
            continue;
        }
        const bool has_entries = std::any_of(m->children().begin(), m->children().end(),
                                             [](Control* k) { return k->kind() == Kind::Menu; });
        if (has_entries) {
            QMenu* sub = popup.addMenu(menu_text(*m));
            sub->setEnabled(m->enabled());
            fill_popup(*sub, *m, what);
            continue;
        }
        QAction* a = popup.addAction(menu_text(*m));
        a->setEnabled(m->enabled());
        a->setCheckable(m->checked());
        a->setChecked(m->checked());
        what.emplace_back(a, m);
    }
}

}  // namespace tk::qt
