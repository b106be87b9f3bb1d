// The utility kit's threads: how closely the thread timer keeps its interval, and how long
// stopping a thread component, a thread timer or a monitor takes (the aim: well under 100 ms).

#include "platform/gui/Forms.h"
#include "platform/rtl/Registry.h"
#include "sysutil/SuMonitors.h"
#include "sysutil/SuThreadComponents.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void StartApplication()
{
    static int argc = 1;
    static char name[] = "bench_sysutil_threads";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<TApplication> application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return std::make_unique<TApplication>(argc, argv);
    }();
}

// The thread timer's ticks against its interval: each iteration is one tick; the counters give
// the mean and the largest distance of a tick from where the interval put it.
void BM_ThreadTimerJitter(benchmark::State& state)
{
    const int interval = static_cast<int>(state.range(0));
    TEvent ticked(false);
    TSuTimerThread timer([&] { ticked.SetEvent(); }, false, interval);
    timer.Resume();
    ticked.WaitFor(std::chrono::milliseconds(-1));
    auto last = Clock::now();
    std::vector<double> deviations;
    for (auto _ : state) {
        ticked.WaitFor(std::chrono::milliseconds(-1));
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - last).count();
        last = now;
        deviations.push_back(std::abs(elapsed * 1000.0 - interval));
        state.SetIterationTime(elapsed);
    }
    double sum = 0;
    for (const double deviation : deviations) {
        sum += deviation;
    }
    state.counters["jitter_mean_ms"] = deviations.empty() ? 0 : sum / static_cast<double>(deviations.size());
    state.counters["jitter_max_ms"] = deviations.empty() ? 0 : *std::max_element(deviations.begin(), deviations.end());
}
BENCHMARK(BM_ThreadTimerJitter)->Arg(10)->Arg(50)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

// Each iteration makes a running component and times only its destruction.
void StopTime(benchmark::State& state, const std::function<std::unique_ptr<TComponent>()>& make)
{
    StartApplication();
    double longest = 0;
    for (auto _ : state) {
        std::unique_ptr<TComponent> component = make();
        const auto start = Clock::now();
        component.reset();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        longest = std::max(longest, seconds * 1000.0);
        state.SetIterationTime(seconds);
    }
    state.counters["longest_ms"] = longest;
}

void BM_StopBusyThreadComponent(benchmark::State& state)
{
    StopTime(state, [] {
        auto component = std::make_unique<TSuThreadComponent>(nullptr);
        auto started = std::make_shared<TEvent>(true);
        component->OnExecute = [started](TObject* sender) {
            started->SetEvent();
            while (!static_cast<TSuThreadComponent*>(sender)->Terminated()) {
            }
        };
        component->SetSuspended(false);
        started->WaitFor(std::chrono::milliseconds(-1));
        return component;
    });
}
BENCHMARK(BM_StopBusyThreadComponent)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

void BM_StopThreadTimer(benchmark::State& state)
{
    StopTime(state, [] {
        auto timer = std::make_unique<TSuThreadTimer>(nullptr);
        timer->SetInterval(60 * 1000);
        timer->SetOnTimer([](TObject*) {});
        timer->SetEnabled(true);
        return timer;
    });
}
BENCHMARK(BM_StopThreadTimer)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

void BM_StopFolderMonitor(benchmark::State& state)
{
    const std::string folder = std::filesystem::temp_directory_path().string();
    StopTime(state, [&] {
        auto monitor = std::make_unique<TSuFolderMonitor>(nullptr);
        monitor->SetFolder(folder);
        monitor->SetWatchSubTree(false);
        monitor->SetOnChange([] {});
        monitor->SetActive(true);
        return monitor;
    });
}
BENCHMARK(BM_StopFolderMonitor)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

void BM_StopRegistryMonitor(benchmark::State& state)
{
    char pattern[] = "/tmp/zv_bench_registry_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    SetRegistryStoreFolder(folder);
    StopTime(state, [] {
        auto monitor = std::make_unique<TSuRegistryMonitor>(nullptr);
        monitor->SetRegistryKey("Software\\Zentivor");
        monitor->SetOnChange([] {});
        monitor->SetActive(true);
        return monitor;
    });
    SetRegistryStoreFolder(std::string());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StopRegistryMonitor)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

}  // namespace
