// Worker threads over an atomic job counter; see WorkerPool.h.
#include "app/gallery/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace gallery {

int workerCount(size_t jobs, int requested) {
    const size_t wanted = requested > 0 ? static_cast<size_t>(requested)
                                        : std::max(1U, std::thread::hardware_concurrency());
    return static_cast<int>(std::min(wanted, jobs));
}

void runOnWorkers(size_t jobs, int requested,
                  const std::function<void(size_t index, int worker)>& job,
                  const std::function<void()>& finished) {
    const int count = workerCount(jobs, requested);
    if (count == 0) {
        return;
    }
    // The only state the threads share: the next index to take and how many jobs are done.
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    const bool report = static_cast<bool>(finished);
    auto work = [&](int worker) {
        for (size_t i = next.fetch_add(1, std::memory_order_relaxed); i < jobs;
             i = next.fetch_add(1, std::memory_order_relaxed)) {
            job(i, worker);
            done.fetch_add(1, std::memory_order_release);
            if (report) {
                done.notify_one();
            }
        }
    };
    std::vector<std::thread> threads;
    // Joined on every way out, also when `finished` throws: a joinable thread must not be
    // destroyed.
    struct Joiner {
        std::vector<std::thread>& threads;
        ~Joiner() {
            for (std::thread& t : threads) {
                t.join();
            }
        }
    } joiner{threads};
    threads.reserve(static_cast<size_t>(count));
    for (int w = 0; w < count; ++w) {
        try {
            threads.emplace_back(work, w);
        } catch (const std::exception&) {
            break;  // out of threads or memory: those already running take every index
        }
    }
    if (threads.empty()) {
        work(0);
    }
    if (report) {
        size_t seen = 0;
        while (seen < jobs) {
            done.wait(seen, std::memory_order_acquire);
            const size_t now = done.load(std::memory_order_acquire);
            for (; seen < now; ++seen) {
                finished();
            }
        }
    }
}

}  // namespace gallery
