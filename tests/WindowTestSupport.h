#pragma once

#include "Activation.h"
#include "ScriptedDialogs.h"
#include "Startup.h"
#include "WorkingFolder.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>

// The top-level windows and dialogs on screen, each by its title or, without
// one, by its class, so that a case that leaves one open says which. Empty
// when none is.
inline QString VisibleWindows()
{
    QStringList names;
    for (const QWidget *widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        const QString title = widget->windowTitle();
        names << (title.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : title);
    }
    return names.join(QStringLiteral(", "));
}

// Shows the window and gives it the focus, as a click on it would. The
// offscreen platform activates a window only once the event loop has run, so
// this waits for it; false when the window never became the active one.
[[nodiscard]] inline bool ActivateWindow(QWidget *window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window) && QTest::qWaitFor([window] { return window->isActiveWindow(); });
}

// What each window test case runs in: a new empty working folder as the
// current one, so that the settings file and texts a case writes meet no
// other case's; dialogs that answer from a script; and, for the whole test
// program as main() has it for the whole run, the tracker that tells a
// window when the focus comes to it from another window of the program.
// A window test derives from it beside QObject and calls StartCase() from
// init(), EndCase() from cleanup() before QTRY_COMPARE(VisibleWindows(), QString()).
template <class Dialogs = ScriptedDialogs>
class WindowTestFixture
{
public:
    // For init(): the folder and new dialogs, before the windows are
    // created on them. False when the folder could not be made current.
    [[nodiscard]] bool StartCase()
    {
        m_folder.emplace();
        m_dialogs = std::make_unique<Dialogs>();
        return m_folder->isValid();
    }

    // Starts the program again in the same folder with new dialogs, as the
    // next run would.
    void Restart()
    {
        DestroyLumoWindows();
        m_dialogs = std::make_unique<Dialogs>();
        CreateLumoWindows(*m_dialogs);
    }

    // For cleanup(): destroys the windows, then goes back to the folder the
    // test started in. No window may stay on screen after this.
    void EndCase()
    {
        DestroyLumoWindows();
        m_dialogs.reset();
        m_folder.reset();
    }

    Dialogs &dialogs() { return *m_dialogs; }

private:
    ActivationTracker m_tracker;
    std::optional<WorkingFolder> m_folder;
    std::unique_ptr<Dialogs> m_dialogs;
};
