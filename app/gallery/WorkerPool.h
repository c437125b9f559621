// A few threads that share out numbered jobs and are joined before the caller goes on.
#pragma once

#include <cstddef>
#include <functional>

namespace gallery {

// The threads `jobs` jobs get: `requested`, or one per core when it is 0 (at least 1), and
// never more than there are jobs.
int workerCount(size_t jobs, int requested);

// Runs job(index, worker) once for every index in [0, jobs) on workerCount(jobs, requested) new
// threads, and joins them before it returns: no thread outlives the call. Indexes are handed out
// by one atomic counter, so a free thread takes the next one; `worker` (0 .. count - 1) names the
// thread, so that the caller keeps per-thread state in an array. A job touches only what belongs
// to its index and its worker, so the result never depends on timing. Jobs must not throw.
//
// `finished`, when given, runs on the calling thread once per finished job while the threads
// work (the branded window pumps its messages there). Should no thread start at all, the jobs
// run on the calling thread.
void runOnWorkers(size_t jobs, int requested,
                  const std::function<void(size_t index, int worker)>& job,
                  const std::function<void()>& finished = {});

}  // namespace gallery
