// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A form's top-level window: the menu bar, if any, above the client area.
// It reports its bounds, its state and the close box to the model.
#include <QMenuBar>
#include <QWidget>

#include "toolkit/form.h"
#include "toolkit/qt/backend_state.h"
#include "toolkit/qt/widgets.h"

namespace tk::qt {


class FormWindow : public QWidget {
public:
    FormWindow(BackendState& state, Form& form);
    Form* form = nullptr;
    ClientArea* client() const { return client_; }
    QMenuBar* menu_bar();  // made on first use
    // Height of the shown menu bar at the window's width; 0 without one.
    int menu_bar_height() const;
    bool placed = false;  // put in its first place already
    // Minimised by the program where the compositor never says whether the
    // window still is (Wayland): until it is active again, take it that it is.
    bool minimised_unseen = false;
    bool minimised() const { return isMinimized() || minimised_unseen; }

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
    BackendState& state_;
    ClientArea* client_;
    QMenuBar* bar_ = nullptr;
};

// The widget that shows a control, or null.
QWidget* peer_widget(const Control& c);

}  // namespace tk::qt
