#pragma once

#include "LumoDialogs.h"
#include "WorkerThread.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <thread>

// Answers the windows' questions from a script and records what was asked.
// An unscripted question is answered with "cancel" and recorded, so a test
// can see that it happened.
class ScriptedDialogs : public LumoDialogs
{
public:
    struct Error
    {
        QString title;
        QString text;
    };

    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    // Edits the font and says whether the dialog was accepted.
    std::deque<std::function<bool(FontObject &)>> fontAnswers;
    // Returns the chosen colour (nothing = cancel); may change the custom slots.
    std::deque<std::function<std::optional<Colour>(Colour, std::array<Colour, 16> &)>> colourAnswers;

    QStringList openTitles;
    // The window each open dialog was shown over.
    QList<QWidget *> openParents;
    int saveAsked = 0;
    int fontAsked = 0;
    int colourAsked = 0;
    QList<std::array<Colour, 16>> customColoursSeen;
    QList<Error> errors;
    // What each progress dialog said it was doing.
    QStringList progressShown;
    // Cancels every long command as soon as this many pages are done (0:
    // before the first, which still completes); never when unset.
    std::optional<qsizetype> cancelWhenDone;

    std::optional<QString> OpenFileName(QWidget *parent, const QString &title) override
    {
        openTitles << title;
        openParents << parent;
        return take(openAnswers);
    }

    std::optional<QString> SaveFileName(QWidget *) override
    {
        ++saveAsked;
        return take(saveAnswers);
    }

    bool ChooseFont(QWidget *, FontObject &font) override
    {
        ++fontAsked;
        if (fontAnswers.empty())
            return false;
        auto answer = fontAnswers.front();
        fontAnswers.pop_front();
        return answer(font);
    }

    std::optional<Colour> ChooseColour(QWidget *, Colour initial, std::array<Colour, 16> &customColours) override
    {
        ++colourAsked;
        customColoursSeen << customColours;
        if (colourAnswers.empty())
            return std::nullopt;
        auto answer = colourAnswers.front();
        colourAnswers.pop_front();
        return answer(initial, customColours);
    }

    void ShowError(QWidget *, const QString &title, const QString &text) override
    {
        errors << Error{title, text};
    }

    void RunWithProgress(QWidget *, const QString &what, WorkProgress &progress,
                         const std::function<void()> &work) override
    {
        progressShown << what;
        if (!cancelWhenDone) {
            work();
            return;
        }
        if (*cancelWhenDone == 0)
            progress.cancelled = true;
        WorkerThread worker(work);
        while (!worker.Finished()) {
            if (progress.done >= *cancelWhenDone)
                progress.cancelled = true;
            std::this_thread::yield();
        }
        worker.Finish();
    }

private:
    static std::optional<QString> take(std::deque<std::optional<QString>> &answers)
    {
        if (answers.empty())
            return std::nullopt;
        const QString name = answers.front().value_or(QString());
        const bool answered = answers.front().has_value();
        answers.pop_front();
        return answered ? std::optional<QString>(name) : std::nullopt;
    }
};
