#include "CommandGuard.h"

#include "LumoDialogs.h"
#include "LumoError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>
#include <new>

QString ProgramTitle()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString ShownMessage(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

bool RunCommand(LumoDialogs &dialogs, QWidget *parent, const std::function<void()> &command)
{
    QString message;
    try {
        command();
        return true;
    } catch (const LumoError &error) {
        message = error.message();
    } catch (const std::bad_alloc &) {
        message = LumoMessages::OutOfMemory();
    } catch (const std::exception &error) {
        message = QString::fromLocal8Bit(error.what());
    }
    dialogs.ShowError(parent, ProgramTitle(), ShownMessage(message));
    return false;
}

void RunSilently(const std::function<void()> &step)
{
    try {
        step();
    } catch (const std::exception &) {
        // Optional files and refreshes fail quietly.
    }
}
