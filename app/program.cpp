// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program.h"

std::unique_ptr<frmMain> StartProgram(tk::Runtime& rt) {
    auto main = std::make_unique<frmMain>(rt);
    main->load_and_show();
    return main;
}
