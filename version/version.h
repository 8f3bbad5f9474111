// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application title and version, as the About box and the version
// record show them.
inline constexpr const char* kAppTitle = "Taluvex";
inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 0;
