// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/accessible.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QGuiApplication>

#include <string>

#include "toolkit/accessible.h"
#include "toolkit/form.h"
#include "toolkit/qt/form_window.h"
#include "toolkit/qt/widgets.h"

namespace tk::qt {
namespace {

QString read_out(const QString& caption) { return QString::fromStdString(spoken(caption.toStdString())); }

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

class FrameAccessible : public QAccessibleWidget {
public:
    explicit FrameAccessible(FrameBox* w) : QAccessibleWidget(w, QAccessible::Grouping) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return read_out(static_cast<FrameBox*>(widget())->title());
        return QAccessibleWidget::text(t);
    }
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
        if (t != QAccessible::Name || !c || accessible_role(*c) == AccessibleRole::Other)
            return QAccessibleWidget::text(t);
        return QString::fromStdString(
            accessible_name(*c, QGuiApplication::applicationDisplayName().toStdString()));
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

    QVariant currentValue() const override {
        return static_cast<qint64>(figure_megabytes(bar() ? bar()->value_label() : nullptr));
    }
    void setCurrentValue(const QVariant&) override {}  // read only
    QVariant maximumValue() const override {
        return static_cast<qint64>(figure_megabytes(bar() ? bar()->total_label() : nullptr));
    }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const Control* bar() const {
        const Control* c = control_of(widget());
        return c && accessible_role(*c) == AccessibleRole::Bar ? c : nullptr;
    }
    bool is_bar() const { return bar() != nullptr; }
};

QAccessibleInterface* factory(const QString& /*class_name*/, QObject* object) {
    // The drawn widgets have no meta-object of their own: asked for as QWidget.
    if (auto* w = dynamic_cast<LabelBox*>(object)) return new LabelAccessible(w);
    if (auto* w = dynamic_cast<FrameBox*>(object)) return new FrameAccessible(w);
    if (auto* w = dynamic_cast<PictureBoxWidget*>(object)) return new PictureAccessible(w);
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
    for (const Control* c : control.form().controls()) {
        if (c->value_label() != &control && c->total_label() != &control) continue;
        QWidget* bar = peer_widget(*c);
        if (!bar) continue;
        QAccessibleValueChangeEvent value(bar, static_cast<qint64>(figure_megabytes(c->value_label())));
        QAccessible::updateAccessibility(&value);
    }
}

}  // namespace tk::qt
