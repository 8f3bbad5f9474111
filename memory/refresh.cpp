// SPDX-License-Identifier: GPL-3.0-or-later
// The display refresh: every tick rewrites the six figures and both bars from
// fresh readings. Setters ignore unchanged values, so an idle machine costs
// the readings and nothing else.
#include <cmath>
#include <optional>

#include "toolkit/errmode.h"
#include "toolkit/text.h"
#include "ui/frmMain.h"

namespace {

// Up to this total the scale is a whole number of units per megabyte; above
// it a whole number would be 0 or 1 and the bar meaningless.
constexpr std::int64_t kWholeScaleLimitMB = 2048;

// No scale for a total of 0: the caller keeps the one it had. (A machine
// without swap meets this on every tick, so it is not an exception.)
std::optional<double> BarScale(double bar_length, std::int64_t total_mb) {
    if (total_mb == 0) return std::nullopt;
    const double per_mb = bar_length / static_cast<double>(total_mb);
    if (total_mb <= kWholeScaleLimitMB) return std::nearbyint(per_mb);  // halves to even
    return per_mb;
}

double BarLength(std::int64_t free_mb, double scale) { return std::nearbyint(static_cast<double>(free_mb) * scale); }

void SetFigure(tk::Label& label, std::int64_t mb) {
    char buf[32];
    label.set_caption(tk::format_whole(buf, sizeof buf, mb, " MB"));
}

}  // namespace

void frmMain::tmrUpdateMemoryInformation_Timer() {
    MemoryRelease& m = memory;
    tk::resume_next(
        [&] { SetFigure(lblTotalPhysicalShow, m.GetTotalPhysicalMB()); },
        [&] {
            const std::int64_t total = m.GetTotalPhysicalMB();
            SetFigure(lblUsedPhysicalShow, total - m.GetAvailPhysicalMB());
        },
        [&] { SetFigure(lblFreePhysicalShow, m.GetAvailPhysicalMB()); },
        [&] { SetFigure(lblTotalPagefileShow, m.GetTotalPagefileMB()); },
        [&] {
            const std::int64_t total = m.GetTotalPagefileMB();
            SetFigure(lblUsedPagefileShow, total - m.GetAvailPagefileMB());
        },
        [&] { SetFigure(lblFreePagefileShow, m.GetAvailPagefileMB()); },
        [&] {
            const std::int64_t total = m.GetTotalPhysicalMB();
            if (auto scale = BarScale(picUsedPhysical.width(), total)) lngWidthPerMB = *scale;
        },
        [&] { picAvailablePhysical.set_width(BarLength(m.GetAvailPhysicalMB(), lngWidthPerMB)); },
        // A page-file total of 0 keeps the physical scale.
        [&] {
            const std::int64_t total = m.GetTotalPagefileMB();
            if (auto scale = BarScale(picUsedPagefile.width(), total)) lngWidthPerMB = *scale;
        },
        [&] { picAvailablePagefile.set_width(BarLength(m.GetAvailPagefileMB(), lngWidthPerMB)); },
        [&] { picAvailablePagefile.set_visible(m.GetAvailPagefileMB() != 0); },
        [&] { picAvailablePhysical.set_visible(m.GetAvailPhysicalMB() != 0); },
        // A whole-number scale seldom fills the bar exactly; nothing used means full.
        [&] {
            const std::int64_t total = m.GetTotalPhysicalMB();
            if (total - m.GetAvailPhysicalMB() == 0) picAvailablePhysical.set_width(kBarLength);
        },
        [&] {
            const std::int64_t total = m.GetTotalPagefileMB();
            if (total - m.GetAvailPagefileMB() == 0) picAvailablePagefile.set_width(kBarLength);
        },
        // Flush right; a bar longer than the box is cut off at its left edge.
        [&] { picAvailablePhysical.set_left(picUsedPhysical.width() - picAvailablePhysical.width()); },
        [&] { picAvailablePagefile.set_left(picUsedPagefile.width() - picAvailablePagefile.width()); },
        [&] {
            if (!bDefragDone) return;
            bDefragDone = false;
            // A marker shows only where the free bar did not shrink over the run.
            if (picAvailablePhysical.width() >= picOldPhysical.width()) picOldPhysical.set_visible(true);
            if (picAvailablePagefile.width() >= picOldPagefile.width()) picOldPagefile.set_visible(true);
        });
}
