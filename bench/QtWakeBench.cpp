// How soon the main thread runs a block a worker puts on the main queue
// while the run loop waits idle in Qt's event processing. Goal: under 1 ms.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "BenchSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtDesktop.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

void BM_WakeToPumpLatency(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_QtWakeBench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qt::installDesktop(argc, argv);

    std::mutex m;
    std::condition_variable go;
    bool armed = false, quit = false;
    std::atomic<Clock::time_point> posted{};
    std::atomic<bool> ran{false};
    std::thread worker([&] {
        for (;;) {
            std::unique_lock lock(m);
            go.wait(lock, [&] { return armed || quit; });
            if (quit) return;
            armed = false;
            lock.unlock();
            // Long enough for the main thread to be asleep in Qt's wait.
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            posted = Clock::now();
            dispatch::Queue::main()->async([&] { ran = true; });
        }
    });
    for (auto _ : state) {
        ran = false;
        {
            std::lock_guard lock(m);
            armed = true;
        }
        go.notify_one();
        RunLoop::main().run(RunLoopMode::defaultMode, [&] { return ran.load(); });
        const auto latency = Clock::now() - posted.load();
        state.SetIterationTime(std::chrono::duration<double>(latency).count());
    }
    {
        std::lock_guard lock(m);
        quit = true;
    }
    go.notify_one();
    worker.join();
}
BENCHMARK(BM_WakeToPumpLatency)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

FRELT_BENCHMARK_MAIN();
