#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// A window of the program that refreshes itself from the shared settings
// when it becomes the program's active window.
class ActivatableWindow
{
public:
    virtual ~ActivatableWindow() = default;
    virtual void FormActivate() = 0;
};

// Decides when a window of the program becomes active: when the focus
// passes to it from another window of the program, or the first time any
// window of the program takes the focus. Regaining the focus from another
// program, or from a dialog or menu of the same window, does not count, so
// the last active window of the program is remembered here rather than
// taken from each WindowActivate event.
class ActivationTracker : public QObject
{
public:
    // Installs itself on the application.
    explicit ActivationTracker(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_last;
};
