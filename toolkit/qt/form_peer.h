// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The peer of a form: its top-level window, shown, placed and sized as the
// model says.
#include "toolkit/form.h"
#include "toolkit/qt/form_window.h"
#include "toolkit/qt/peers.h"

namespace tk::qt {

class FormPeer : public WidgetPeer {
public:
    FormPeer(BackendState& s, Form& f, FormWindow* window);
    ~FormPeer() override;
    void changed(Prop what) override;
    QWidget* container() const override;
    FormWindow* window() const;
    // Sizes the window to its client area and the menu bar, once the menus exist.
    void fit_window();

private:
    void show_window();
};

}  // namespace tk::qt
