#include "Startup.h"

#include "Activation.h"
#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "LumoSaveLoad.h"
#include "LumoSetup.h"
#include "QtDialogs.h"
#include "QtTranslations.h"
#include "LumoWindows.h"
#include "RenderSettings.h"
#include "WindowPlacement.h"

#include <QApplication>

namespace {

// The one implementation of what the windows need of each other, over the
// global instances. A window whose creation failed part-way is still there,
// so only one that was never made is left out.
class ProgramWindows final : public LumoWindows
{
public:
    PictureControl &FirstPicture() override { return LumoImageForm->Image(); }
    PictureOwner &Pictures() override { return *LumoImageForm; }
    void SetPictureClientHeight(int height) override { LumoImageForm->SetClientHeight(height); }
    void PicturesChanged() override { LumoImageForm->PicturesChanged(); }
    void ShowPictures() override { LumoImageForm->ShowForm(); }

    void ActivateEditor() override { LumoForm->FormActivate(); }
    void GiveEditorFont(const FontObject &font) override { LumoForm->SetMemoFont(font); }
    void GiveEditorBackground(Colour colour) override { LumoForm->SetMemoBackground(colour); }
    void GiveEditorFontColour(Colour colour) override { LumoForm->TakeFontColour(colour); }
    void ConvertEditorText() override { LumoForm->ConvertClick(); }
    QMenu *EditorMenu() override { return LumoForm->PopMenu; }

    void ActivateSettings() override { LumoSetupForm->FormActivate(); }
    void ShowSettings() override { ShowAndActivate(LumoSetupForm); }

    void ShowManager() override { ShowAndActivate(LumoSaveLoadForm); }
    void ProposeSetupName(const QString &name) override { LumoSaveLoadForm->ProposeName(name); }

    QRect EditorPlace() override { return StoredPlace(LumoForm); }
    QRect PicturePlace() override { return StoredPlace(LumoImageForm); }
};

ProgramWindows programWindows;

// The global instance is set before the creation steps run, as those of the
// later windows reach the earlier ones through it.
template <typename Form, typename... Windows>
void createForm(LumoDialogs &dialogs, Form *&instance, Windows &...windows)
{
    instance = new Form(dialogs, windows...);
    Form *form = instance;
    RunCommand(dialogs, form, [form] { form->FormCreate(); });
}

template <typename Form>
void destroyForm(Form *&instance)
{
    delete instance;
    instance = nullptr;
}

} // namespace

void CreateLumoWindows(LumoDialogs &dialogs)
{
    createForm(dialogs, LumoForm, programWindows);
    createForm(dialogs, LumoImageForm);
    createForm(dialogs, LumoSetupForm, programWindows);
    createForm(dialogs, LumoSaveLoadForm, programWindows);
    // Only the editor's closing ends the program; closing the others hides them.
    for (QWidget *secondary : {static_cast<QWidget *>(LumoImageForm), static_cast<QWidget *>(LumoSetupForm),
                               static_cast<QWidget *>(LumoSaveLoadForm)})
        secondary->setAttribute(Qt::WA_QuitOnClose, false);
}

void DestroyLumoWindows()
{
    destroyForm(LumoSaveLoadForm);
    destroyForm(LumoSetupForm);
    destroyForm(LumoImageForm);
    destroyForm(LumoForm);
    ResetRenderSettings();
}

int RunLumo(int argc, char **argv)
{
    QApplication application(argc, argv);
    const std::unique_ptr<QTranslator> qtTexts = InstallQtTranslations();
    ActivationTracker tracker;
    QtDialogs dialogs;
    CreateLumoWindows(dialogs);
    LumoForm->show();
    const int result = application.exec();
    DestroyLumoWindows();
    return result;
}
