// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/accessible.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>

#include <deque>
#include <string>
#include <utility>

#include "toolkit/accessible.h"
#include "toolkit/form.h"
#include "toolkit/qt/form_window.h"
#include "toolkit/qt/widgets.h"

namespace tk::qt {
namespace {

QString read_out(const QString& caption) { return QString::fromStdString(spoken(caption.toStdString())); }

// "&Hide" is "Hide" and "&&" an ampersand; blanks are kept, as Qt names menu entries.
QString without_access_key(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && ++i == text.size()) break;
        out += text[i];
    }
    return out;
}

const Control* control_of(const QWidget* w) {
    auto* cw = dynamic_cast<const ControlWidget*>(w);
    return cw ? cw->control : nullptr;
}

class LabelAccessible : public QAccessibleWidget {
public:
    explicit LabelAccessible(LabelBox* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<LabelBox*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

// A text of its own that a widget holds (no object, no children) and that
// screen readers reach through that widget.
class LeafAccessible : public QAccessibleInterface {
public:
    explicit LeafAccessible(QWidget* owner) : owner_(owner) {}
    bool isValid() const override { return owner_; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(owner_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<QWidget> owner_;
};

// One change of a status line, as a notification that keeps its text:
// screen readers speak a notification when it is shown, wherever the focus
// is (they drop the name changes of labels), and read its text after the
// fact, when the line itself may already say something newer.
class AnnouncementAccessible : public LeafAccessible {
public:
    AnnouncementAccessible(QWidget* line, QString text) : LeafAccessible(line), text_(std::move(text)) {}
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? text_ : QString(); }
    QRect rect() const override { return owner_ ? QRect(owner_->mapToGlobal(QPoint()), owner_->size()) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

private:
    QString text_;
};

void announce(QWidget* line, const QString& text) {
    // The last few are kept for a screen reader still reading them.
    static std::deque<QAccessible::Id> said;
    auto* iface = new AnnouncementAccessible(line, text);
    said.push_back(QAccessible::registerAccessibleInterface(iface));
    QAccessibleEvent shown(iface, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    while (said.size() > 8) {
        QAccessible::deleteAccessibleInterface(said.front());
        said.pop_front();
    }
}

// A frame's caption as a line of text of its own, first in the frame: screen
// readers name a group only as the context of a focus inside it, and their
// review of the screen skips the name of a group that holds other objects.
class CaptionAccessible : public LeafAccessible {
public:
    explicit CaptionAccessible(FrameBox* frame) : LeafAccessible(frame), frame_(frame) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && frame_ ? read_out(frame_->title()) : QString();
    }
    QRect rect() const override {
        if (!frame_) return {};
        const QRect r = frame_->caption_rect();
        return {frame_->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !frame_ || !frame_->isVisible() || frame_->title().isEmpty();
        s.disabled = frame_ && !frame_->isEnabled();
        return s;
    }

private:
    QPointer<FrameBox> frame_;
};

class FrameAccessible : public QAccessibleWidget {
public:
    explicit FrameAccessible(FrameBox* w)
        : QAccessibleWidget(w, QAccessible::Grouping),
          caption_(QAccessible::registerAccessibleInterface(new CaptionAccessible(w))) {
        // Goes with the frame; what is left at the end goes with the cache.
        QObject::connect(w, &QObject::destroyed, [id = caption_] { QAccessible::deleteAccessibleInterface(id); });
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return read_out(static_cast<FrameBox*>(widget())->title());
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return QAccessibleWidget::childCount() + 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? caption() : QAccessibleWidget::child(index - 1);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        if (c == caption()) return 0;
        const int i = QAccessibleWidget::indexOfChild(c);
        return i < 0 ? i : i + 1;
    }

private:
    QAccessibleInterface* caption() const { return QAccessible::accessibleInterface(caption_); }
    QAccessible::Id caption_;
};

// A top-level form: the main window a frame, a fixed dialog a dialog.
class FormAccessible : public QAccessibleWidget {
public:
    explicit FormAccessible(FormWindow* w)
        : QAccessibleWidget(w, w->form && w->form->border_style == BorderStyle::FixedDialog ? QAccessible::Dialog
                                                                                            : QAccessible::Window) {}
};

// A menu entry that holds its key. Screen readers take a key binding as
// "mnemonic;path;accelerator" and speak the accelerator field, where Qt
// hands the key alone (read as the path).
class KeyedMenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit KeyedMenuItemAccessible(QAction* action) : action_(action) {}
    bool isValid() const override { return action_ && menu(); }
    QObject* object() const override { return action_; }
    QWindow* window() const override { return menu() ? menu()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!action_) return {};
        if (t == QAccessible::Name) return without_access_key(action_->text());
        if (t == QAccessible::Accelerator) return action_->shortcut().toString(QKeySequence::NativeText);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QMenu* m = menu();
        if (!m || !m->isVisible()) return {};
        const QRect r = m->actionGeometry(action_);
        return {m->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        QMenu* m = menu();
        if (!action_ || !m) return s;
        s.invisible = !m->isVisible() || !action_->isVisible();
        s.disabled = !action_->isEnabled();
        s.focusable = true;
        s.focused = m->activeAction() == action_;
        s.checkable = action_->isCheckable();
        s.checked = action_->isChecked();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override {
        return action_ && action_->isEnabled() ? QStringList{pressAction()} : QStringList();
    }
    void doAction(const QString& name) override {
        if (action_ && action_->isEnabled() && name == pressAction()) action_->trigger();
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (!action_ || name != pressAction() || action_->shortcut().isEmpty()) return {};
        // Joined with ";" on the way out.
        return {QKeySequence::mnemonic(action_->text()).toString(QKeySequence::NativeText), QString(),
                action_->shortcut().toString(QKeySequence::NativeText)};
    }

private:
    QMenu* menu() const {
        if (!action_) return nullptr;
        for (QObject* o : action_->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o)) return m;
        return nullptr;
    }
    QPointer<QAction> action_;
};

// The role is read from the control each time: the widget may be asked for
// before its peer has tied it to the control.
class PictureAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PictureAccessible(PictureBoxWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}

    QAccessible::Role role() const override {
        const Control* c = control_of(widget());
        switch (c ? accessible_role(*c) : AccessibleRole::Other) {
            case AccessibleRole::Bar: return QAccessible::ProgressBar;
            case AccessibleRole::Picture: return QAccessible::Graphic;
            case AccessibleRole::Other: break;
        }
        return QAccessible::Client;
    }
    QString text(QAccessible::Text t) const override {
        const Control* c = control_of(widget());
        if (!c || accessible_role(*c) == AccessibleRole::Other) return QAccessibleWidget::text(t);
        if (t == QAccessible::Name)
            return QString::fromStdString(
                accessible_name(*c, QGuiApplication::applicationDisplayName().toStdString()));
        // The value in words, where the bridge has no place for it but the description.
        if ((t == QAccessible::Value || t == QAccessible::Description) && bar())
            return QString::fromStdString(accessible_value_text(*c));
        return QAccessibleWidget::text(t);
    }
    // The fills inside a bar are part of its drawing, not objects of their own.
    int childCount() const override { return is_bar() ? 0 : QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        return is_bar() ? nullptr : QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        return is_bar() ? -1 : QAccessibleWidget::indexOfChild(c);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface && is_bar()) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return static_cast<qint64>(range().value); }
    void setCurrentValue(const QVariant&) override {}  // read only
    QVariant maximumValue() const override { return static_cast<qint64>(range().maximum); }
    QVariant minimumValue() const override { return static_cast<qint64>(range().minimum); }
    QVariant minimumStepSize() const override { return 1; }

private:
    const Control* bar() const {
        const Control* c = control_of(widget());
        return c && accessible_role(*c) == AccessibleRole::Bar ? c : nullptr;
    }
    bool is_bar() const { return bar() != nullptr; }
    AccessibleRange range() const { return bar() ? accessible_range(*bar()) : AccessibleRange{}; }
};

QAccessibleInterface* factory(const QString& /*class_name*/, QObject* object) {
    // The drawn widgets have no meta-object of their own: asked for as QWidget.
    if (auto* w = dynamic_cast<LabelBox*>(object)) return new LabelAccessible(w);
    if (auto* w = dynamic_cast<FrameBox*>(object)) return new FrameAccessible(w);
    if (auto* w = dynamic_cast<PictureBoxWidget*>(object)) return new PictureAccessible(w);
    if (auto* w = dynamic_cast<FormWindow*>(object)) return new FormAccessible(w);
    if (auto* a = dynamic_cast<QAction*>(object); a && !a->shortcut().isEmpty() && !a->menu())
        return new KeyedMenuItemAccessible(a);
    return nullptr;
}

}  // namespace

void install_accessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void announce_caption(QWidget* widget, const Control& control) {
    // Nothing listens unless a screen reader (or the bridge) turned it on.
    if (!QAccessible::isActive() || !widget) return;
    QAccessibleEvent name(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&name);
    if (accessible_announced(control)) announce(widget, QString::fromStdString(control.caption()));
    // A bar's figures are read when asked, never announced: a screen reader
    // would speak the value of the bar at every refresh. Its description
    // (the value in words) follows quietly.
    for (const Control* c : control.form().controls()) {
        if (c->value_label() != &control && c->total_label() != &control) continue;
        if (QWidget* bar = peer_widget(*c)) {
            QAccessibleEvent description(bar, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&description);
        }
    }
}

}  // namespace tk::qt
