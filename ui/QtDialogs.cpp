#include "QtDialogs.h"

#include "LumoFontDialog.h"
#include "WorkerThread.h"

#include <QColorDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

std::optional<QString> QtDialogs::OpenFileName(QWidget *parent, const QString &title)
{
    // An empty title leaves the dialog its own caption.
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // "save text" asks through this same dialog, so a name that does not
    // exist yet must be accepted too.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::SaveFileName(QWidget *parent)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The picture export replaces existing files without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::ChooseFont(QWidget *parent, FontObject &font)
{
    LumoFontDialog dialog(parent);
    dialog.SetFont(font);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font.Assign(dialog.Font());
    return true;
}

std::optional<Colour> QtDialogs::ChooseColour(QWidget *parent, Colour initial,
                                              std::array<Colour, 16> &customColours)
{
    // Qt's colour dialog has no empty custom slot: an empty one is shown
    // white, and every slot that comes back as it was shown keeps its old
    // value, so an untouched empty slot stays empty.
    std::array<QRgb, 16> shown{};
    for (int slot = 0; slot < 16; ++slot) {
        const Colour colour = customColours[static_cast<std::size_t>(slot)];
        QColorDialog::setCustomColor(slot, colour == -1 ? QColor(Qt::white) : ColourToQColor(colour));
        shown[static_cast<std::size_t>(slot)] = QColorDialog::customColor(slot).rgb();
    }

    QColorDialog dialog(parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(ColourToQColor(initial));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;

    for (int slot = 0; slot < 16; ++slot) {
        const QColor now = QColorDialog::customColor(slot);
        if (now.rgb() != shown[static_cast<std::size_t>(slot)])
            customColours[static_cast<std::size_t>(slot)] = ColourFromQColor(now);
    }
    return ColourFromQColor(dialog.selectedColor());
}

void QtDialogs::ShowError(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::RunWithProgress(QWidget *parent, const QString &what, WorkProgress &progress,
                                const std::function<void()> &work)
{
    QEventLoop loop;
    WorkerThread worker(work, [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); });

    // Half a second without the dialog: the user's input waits meanwhile,
    // so no other command starts before this one is done.
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!worker.Finished()) {
        QProgressDialog dialog(parent);
        dialog.setWindowTitle(what);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        dialog.setMinimumDuration(0);
        const auto update = [&] {
            const auto total = static_cast<int>(std::min<qsizetype>(progress.total, INT_MAX));
            const auto done = static_cast<int>(std::min<qsizetype>(progress.done, INT_MAX));
            dialog.setMaximum(total);
            dialog.setValue(done);
            dialog.setLabelText(QStringLiteral("%1: %2 of %3 pages").arg(what).arg(done).arg(total));
        };
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&progress] { progress.cancelled = true; });
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &dialog, update);
        update();
        dialog.show();
        ticker.start(50);
        // The dialog is modal: only it answers while the work goes on.
        if (!worker.Finished())
            loop.exec();
    }
    worker.Finish();
}
