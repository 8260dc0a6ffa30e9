#include "Interruption.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>

namespace {

// SIGPIPE too: a reader of the picture lines that goes away (| head) ends
// the run the same way.
constexpr std::array watchedSignals{SIGINT, SIGTERM, SIGHUP, SIGPIPE};

std::atomic<int> caught{0};

extern "C" void noteSignal(int signal)
{
    int none = 0;
    caught.compare_exchange_strong(none, signal);
}

} // namespace

struct InterruptionWatch::Previous
{
    std::array<struct sigaction, watchedSignals.size()> actions{};
};

InterruptionWatch::InterruptionWatch() : m_previous(std::make_unique<Previous>())
{
    struct sigaction action{};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the rendering looks at the signal
    // between pages, where it can stop cleanly.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < watchedSignals.size(); ++i)
        sigaction(watchedSignals[i], &action, &m_previous->actions[i]);
}

InterruptionWatch::~InterruptionWatch()
{
    for (std::size_t i = 0; i < watchedSignals.size(); ++i)
        sigaction(watchedSignals[i], &m_previous->actions[i], nullptr);
}

int CaughtSignal()
{
    return caught.load();
}

Interrupted::Interrupted(int signal, const QString &stoppedBefore)
    : std::runtime_error("interrupted"), m_signal(signal), m_stoppedBefore(stoppedBefore)
{
}

QString Interrupted::Message() const
{
    const char *abbreviation = sigabbrev_np(m_signal);
    const QString name = abbreviation ? QStringLiteral("SIG") + QLatin1StringView(abbreviation)
                                      : QStringLiteral("signal %1").arg(m_signal);
    return QStringLiteral("lumo-render: stopped by %1 before %2").arg(name, m_stoppedBefore);
}

void StopIfInterrupted(const QString &stoppedBefore)
{
    if (const int signal = CaughtSignal())
        throw Interrupted(signal, stoppedBefore);
}
