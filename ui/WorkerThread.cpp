#include "WorkerThread.h"

#include <utility>

WorkerThread::WorkerThread(const std::function<void()> &work, std::function<void()> whenDone)
    : m_work(work), m_whenDone(std::move(whenDone)), m_thread([this] { run(); })
{
}

WorkerThread::~WorkerThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

void WorkerThread::run()
{
    try {
        m_work();
    } catch (...) {
        m_error = std::current_exception();
    }
    m_finished = true;
    if (m_whenDone)
        m_whenDone();
}

void WorkerThread::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_error)
        std::rethrow_exception(m_error);
}
