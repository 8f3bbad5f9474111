// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

#include "toolkit/runtime.h"
#include "ui/frmMain.h"

// Creates the start-up window and loads it; it shows unless start-up hid it.
// The backend then runs its event loop until the runtime has ended.
std::unique_ptr<frmMain> StartProgram(tk::Runtime& rt);
