#pragma once

#include <QString>
#include <memory>
#include <stdexcept>

// SIGINT, SIGTERM, SIGHUP and SIGPIPE while lumo-render writes: instead of ending the
// process where it stands (and leaving the hidden files of pages not yet in
// place), the signal is noted and the rendering stops at its next page, the
// way a failure stops it.

// Catches the four signals for as long as it lives; the handlers that were
// there before come back afterwards.
class InterruptionWatch
{
public:
    InterruptionWatch();
    ~InterruptionWatch();

private:
    struct Previous;
    // The handlers to bring back; held alone, so that a watch is never copied.
    std::unique_ptr<Previous> m_previous;
};

// The signal caught, or 0.
int CaughtSignal();

// The rendering stopped for a signal, before the picture named.
class Interrupted : public std::runtime_error
{
public:
    Interrupted(int signal, const QString &stoppedBefore);

    int Signal() const { return m_signal; }
    // "lumo-render: stopped by SIGINT before out14.png"
    QString Message() const;

private:
    int m_signal;
    QString m_stoppedBefore;
};

// Raises Interrupted when a signal was caught.
void StopIfInterrupted(const QString &stoppedBefore);
