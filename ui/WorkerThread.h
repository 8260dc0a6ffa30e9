#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

// Runs a piece of work on a thread of its own and keeps what it raised for
// the thread that waits for it. The progress dialog and the tests' scripted
// one both wait for a long command this way, so they share this one piece.
class WorkerThread
{
public:
    // Starts work at once, which is run where it is and so must outlive
    // this; whenDone, if given, runs on the worker thread right after the
    // work is over and Finished() has turned true.
    explicit WorkerThread(const std::function<void()> &work, std::function<void()> whenDone = {});
    // Waits for the work, so no thread outlives what it works on.
    ~WorkerThread();
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;

    // Whether the work is over, with or without an error.
    bool Finished() const { return m_finished; }
    // Waits for the work to be over and rethrows what it raised.
    void Finish();

private:
    void run();

    const std::function<void()> &m_work;
    std::function<void()> m_whenDone;
    std::exception_ptr m_error;
    std::atomic<bool> m_finished{false};
    // Last, so the thread starts once everything it uses is there.
    std::thread m_thread;
};
