#include "Startup.h"

#include "Activation.h"
#include "CommandGuard.h"
#include "Lumo.h"
#include "LumoImage.h"
#include "LumoSaveLoad.h"
#include "LumoSetup.h"
#include "QtDialogs.h"
#include "RenderSettings.h"

#include <QApplication>

namespace {

// The global instance is set before the creation steps run, as those of the
// later windows reach the earlier ones through it.
template <typename Form>
void createForm(LumoDialogs &dialogs, Form *&instance)
{
    instance = new Form(dialogs);
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
    createForm(dialogs, LumoForm);
    createForm(dialogs, LumoImageForm);
    createForm(dialogs, LumoSetupForm);
    createForm(dialogs, LumoSaveLoadForm);
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
    ActivationTracker tracker;
    QtDialogs dialogs;
    CreateLumoWindows(dialogs);
    LumoForm->show();
    const int result = application.exec();
    DestroyLumoWindows();
    return result;
}
