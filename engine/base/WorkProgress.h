#pragma once

#include <QtGlobal>
#include <atomic>
#include <functional>

// How far a long piece of work is, and whether whoever watches it wants it
// to stop; shared between the thread doing the work and the one watching.
struct WorkProgress
{
    std::atomic<qsizetype> done{0};
    std::atomic<qsizetype> total{0};
    std::atomic<bool> cancelled{false};
};

// Runs work (which may use worker threads of its own) and returns when it is
// over, rethrowing what it raised. A window runs it on another thread and
// keeps a progress dialog answering meanwhile, whose Cancel sets
// progress.cancelled; without a watcher the work runs right here.
using WorkWatcher = std::function<void(WorkProgress &progress, const std::function<void()> &work)>;
