// SPDX-License-Identifier: GPL-3.0-or-later
// A release run's wall time beside the plain cost of faulting in and writing
// 160,000,000 fresh bytes once.
#include <sys/mman.h>

#include <cstring>

#include <benchmark/benchmark.h>

#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/os/real_system.h"

namespace {

constexpr std::size_t kBytes = 160'000'000;

void BM_FreshMappingWrittenOnce(benchmark::State& state) {
    for (auto _ : state) {
        void* p = ::mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            break;
        }
        std::memset(p, ' ', kBytes);
        benchmark::DoNotOptimize(p);
        ::munmap(p, kBytes);
    }
}
BENCHMARK(BM_FreshMappingWrittenOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReleaseRun(benchmark::State& state) {
    tk::os::RealSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    auto w = StartProgram(rt);
    for (auto _ : state) {
        w->tmrDefragMemory.set_tag("1");
        w->tmrDefragMemory_Timer();
    }
    if (!desk.boxes.empty()) state.SkipWithError("claim failed");
}
BENCHMARK(BM_ReleaseRun)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
