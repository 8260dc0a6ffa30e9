#pragma once

#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The number of threads that "one a processor" means here.
inline int DefaultJobs()
{
    return std::max(QThread::idealThreadCount(), 1);
}

// Work split over threads with the results handed back in order: produce
// runs for the items 0, 1, ... on worker threads, each worker owning what it
// makes, and consume takes each result on the calling thread in item order.
// Workers stay at most `ahead` items in front of consume, so what is in
// flight stays bounded however many items there are. This small queue is
// the only thing the threads share.
//
// consume returning false stops the run: nothing after that item is
// consumed, and what workers finished ahead is dropped. An exception of
// produce reaches the caller in place of that item's consume, after every
// earlier item was consumed; an exception of consume ends the run too.
//
// produce(index, worker) gets the number of the worker (0 .. jobs - 1) so
// that a caller can keep one scratch object a worker. One job is still a
// worker of its own, so that what consume waits for (the disk) overlaps the
// next items. A single item is made on the calling thread.
template <typename Result>
void RunInOrder(std::size_t count, int jobs, std::size_t ahead,
                const std::function<Result(std::size_t index, int worker)> &produce,
                const std::function<bool(std::size_t index, Result &&result)> &consume)
{
    jobs = std::max(jobs, 1);
    if (count <= 1) {
        for (std::size_t index = 0; index < count; ++index) {
            if (!consume(index, produce(index, 0)))
                return;
        }
        return;
    }
    ahead = std::max<std::size_t>(ahead, static_cast<std::size_t>(jobs));

    struct Slot
    {
        std::optional<Result> result;
        std::exception_ptr error;
        bool ready = false;
    };
    std::mutex lock;
    std::condition_variable workAvailable;
    std::condition_variable resultReady;
    std::vector<Slot> ring(ahead);
    std::size_t next = 0;
    std::size_t consumed = 0;
    bool stopping = false;

    auto work = [&](int worker) {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock guard(lock);
                workAvailable.wait(guard, [&] { return stopping || next >= count || next < consumed + ahead; });
                if (stopping || next >= count)
                    return;
                index = next++;
            }
            Slot made;
            try {
                made.result.emplace(produce(index, worker));
            } catch (...) {
                made.error = std::current_exception();
            }
            made.ready = true;
            {
                const std::lock_guard guard(lock);
                ring[index % ahead] = std::move(made);
            }
            resultReady.notify_all();
        }
    };

    std::vector<std::thread> workers;
    // Stops and joins the workers on every way out of this function.
    struct Joiner
    {
        std::function<void()> stop;
        std::vector<std::thread> &threads;
        ~Joiner()
        {
            stop();
            for (std::thread &thread : threads)
                thread.join();
        }
    } joiner{[&] {
                 {
                     const std::lock_guard guard(lock);
                     stopping = true;
                 }
                 workAvailable.notify_all();
             },
             workers};
    const int threads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), count));
    for (int worker = 0; worker < threads; ++worker)
        workers.emplace_back(work, worker);

    for (std::size_t index = 0; index < count; ++index) {
        Slot taken;
        {
            std::unique_lock guard(lock);
            Slot &slot = ring[index % ahead];
            resultReady.wait(guard, [&slot] { return slot.ready; });
            taken = std::move(slot);
            slot = Slot();
            consumed = index + 1;
        }
        workAvailable.notify_all();
        if (taken.error)
            std::rethrow_exception(taken.error);
        if (!consume(index, std::move(*taken.result)))
            return;
    }
}
