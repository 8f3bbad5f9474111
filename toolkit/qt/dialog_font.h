// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialog font: Liberation Sans at 8 points stands in for the classic
// dialog face the layout was made for; where a caption would not fit, the
// font shrinks until all do.
#include <QFont>

#include "toolkit/form.h"

namespace tk::qt {

// Liberation Sans, whose narrow metrics match the classic dialog faces (the
// package depends on it), at 8 points; without it, the desktop's own family.
QFont dialog_font();

// Shrinks the application's font until every caption of form fits; returns
// what laid-out font sizes are to be multiplied by (below 1 where it shrank).
double fit_dialog_font(const Form& form);

}  // namespace tk::qt
