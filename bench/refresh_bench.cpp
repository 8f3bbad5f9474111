// SPDX-License-Identifier: GPL-3.0-or-later
// One display refresh with the real figures of this machine, beside the
// floor: the same 18 readings alone. CPU time is what counts.
#include <benchmark/benchmark.h>

#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/os/real_system.h"

namespace {

void BM_Refresh(benchmark::State& state) {
    tk::os::RealSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    auto w = StartProgram(rt);
    for (auto _ : state) w->tmrUpdateMemoryInformation_Timer();
}
BENCHMARK(BM_Refresh)->MeasureProcessCPUTime()->UseRealTime();

void BM_EighteenReadings(benchmark::State& state) {
    using F = tk::MemField;
    const F TP = F::TotalPhys, AP = F::AvailPhys, TF = F::TotalPage, AF = F::AvailPage;
    const F order[18] = {TP, TP, AP, AP, TF, TF, AF, AF, TP, AP, TF, AF, AF, AP, TP, AP, TF, AF};
    for (auto _ : state)
        for (F f : order) benchmark::DoNotOptimize(tk::os::memory_figure(f));
}
BENCHMARK(BM_EighteenReadings)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
