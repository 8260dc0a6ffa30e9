#include "QtDialogs.h"

#include "LumoFontDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

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
