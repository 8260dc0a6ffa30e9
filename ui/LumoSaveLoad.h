#pragma once

#include "Activation.h"

#include <QByteArray>
#include <QList>
#include <QWidget>

class LumoDialogs;
class LumoWindows;
class QComboBox;
class QPushButton;

// The settings manager: saves the render settings under a name, loads a named
// setup back and deletes one. The names are the sections of the settings file.
class TLumoSaveLoadForm : public QWidget, public ActivatableWindow
{
    Q_OBJECT

public:
    TLumoSaveLoadForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent = nullptr);

    // Title, border, handlers, stored position. Raises when the settings file
    // cannot be read.
    void FormCreate();
    // Lists the setups of the settings file and takes the keyboard focus.
    void FormActivate() override;

    // Puts a proposed setup name into the name field. Like any change the
    // program makes itself, it leaves the save and load buttons as they are.
    void ProposeName(const QString &name);

    void ComboBoxChange();
    void BtnSaveClick();
    void BtnLoadClick();
    void BtnDeleteClick();

    QWidget *Panel = nullptr;
    QComboBox *ComboBox = nullptr;
    QPushButton *BtnSave = nullptr;
    QPushButton *BtnLoad = nullptr;
    QPushButton *BtnDelete = nullptr;

private:
    void createPanel();
    void connectHandlers();
    void entryChosen();
    void textTyped();
    void replaceList(const QList<QByteArray> &names);

    LumoDialogs &m_dialogs;
    LumoWindows &m_windows;
    // The drop-down list forgets its chosen entry as soon as the user types
    // in the name field; the combo box itself keeps it, so it is noted here.
    bool m_entryTypedOver = false;
};

extern TLumoSaveLoadForm *LumoSaveLoadForm;
