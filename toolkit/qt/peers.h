// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The peers: each keeps one widget in step with its control of the form
// model. The peer's end detaches the widget from the control.
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/qt/backend_state.h"
#include "toolkit/qt/widgets.h"

namespace tk::qt {


class WidgetPeer : public Peer {
public:
    WidgetPeer(BackendState& state, Control& control, QWidget* widget);
    ~WidgetPeer() override;
    std::uint32_t handle() const override { return handle_; }
    void changed(Prop what) override;
    QWidget* widget() const { return widget_; }
    // Where the control's children go.
    virtual QWidget* container() const { return widget_; }

protected:
    // Brings a new widget in line with every property of the control.
    void sync();
    void apply_geometry();
    virtual void apply_colors();
    void apply_font();
    virtual void apply_caption() {}
    virtual void apply_picture() {}
    template <class W>
    W* as() const {
        return static_cast<W*>(widget_.data());
    }

    BackendState& state_;
    Control& control_;
    QPointer<QWidget> widget_;
    std::vector<QMetaObject::Connection> connections_;
    bool opaque_ = false;  // fills its background even in the default colour

private:
    std::uint32_t handle_;
};

class LabelPeer : public WidgetPeer {
public:
    LabelPeer(BackendState& s, Control& c, QWidget* parent);

protected:
    void apply_caption() override;
};

class FramePeer : public WidgetPeer {
public:
    FramePeer(BackendState& s, Control& c, QWidget* parent);

protected:
    void apply_caption() override;
};

class PicturePeer : public WidgetPeer {
public:
    PicturePeer(BackendState& s, Control& c, QWidget* parent);
    QWidget* container() const override;

protected:
    // The box paints its own fill and picture.
    void apply_colors() override;
    void apply_picture() override { apply_colors(); }
};

class ButtonPeer : public WidgetPeer {
public:
    ButtonPeer(BackendState& s, Control& c, QWidget* parent);

protected:
    void apply_caption() override;
};

}  // namespace tk::qt
