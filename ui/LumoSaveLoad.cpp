#include "LumoSaveLoad.h"

#include "CodePage.h"
#include "CommandGuard.h"
#include "LumoDialogs.h"
#include "LumoError.h"
#include "LumoWindows.h"
#include "PanelWidgets.h"
#include "SettingsFile.h"
#include "RenderSettings.h"
#include "SetupStore.h"
#include "WindowPlacement.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TLumoSaveLoadForm *LumoSaveLoadForm = nullptr;

namespace {

constexpr int PanelWidth = 625;
constexpr int PanelHeight = 137;

// Where the window stands when the settings file cannot tell.
constexpr QPoint LayoutPosition(275, 260);

// The section of the settings file that holds the setup of that name. A name
// the file's code page cannot hold is refused before the file is touched:
// its characters would be written as "?", and it would share its section
// with every name that differs from it only in them.
QByteArray sectionName(const QString &name)
{
    if (!FitsCp1252(name))
        throw LumoError(LumoMessages::NameOutsideSettingsCodePage(name));
    return ToCp1252(name);
}

} // namespace

TLumoSaveLoadForm::TLumoSaveLoadForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_windows(windows)
{
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    createPanel();
    SettleFixedSize(this);
    move(LayoutPosition);
}


void TLumoSaveLoadForm::createPanel()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFixedSize(PanelWidth, PanelHeight);
    layout->addWidget(Panel);

    ComboBox = new QComboBox(Panel);
    ComboBox->setObjectName(QStringLiteral("ComboBox"));
    ComboBox->setGeometry(24, 32, 577, 21);
    ComboBox->setEditable(true);
    // The list shows the settings file's sections and nothing else; a name
    // typed and confirmed with Enter only becomes one by saving it.
    ComboBox->setInsertPolicy(QComboBox::NoInsert);

    BtnSave = CreatePanelButton(Panel, QStringLiteral("BtnSave"), QStringLiteral("save this Setup"),
                                QRect(32, 80, 177, 25));
    BtnLoad = CreatePanelButton(Panel, QStringLiteral("BtnLoad"), QStringLiteral("load this Setup"),
                                QRect(224, 80, 177, 25));
    BtnDelete = CreatePanelButton(Panel, QStringLiteral("BtnDelete"), QStringLiteral("delete this Setup"),
                                  QRect(416, 80, 177, 25));
}

void TLumoSaveLoadForm::FormCreate()
{
    setWindowTitle(QStringLiteral("Fenster Einstellungen verwalten"));
    const QPoint placed = pos();
    setWindowFlags(Qt::Dialog);
    move(placed);
    // The window is as large as its panel, and stays so.
    SettleFixedSize(this);

    // Connected before the position is read: when the settings file cannot be
    // read at start, the manager must still save, load and delete once the
    // file is readable again, rather than stay dead for the whole run.
    connectHandlers();

    MoveToStoredPosition(this, PositionKeys::WinSaveLoadLeft, PositionKeys::WinSaveLoadTop);
}

void TLumoSaveLoadForm::connectHandlers()
{
    connect(ComboBox, &QComboBox::currentIndexChanged, this, &TLumoSaveLoadForm::entryChosen);
    connect(ComboBox, &QComboBox::activated, this, &TLumoSaveLoadForm::entryChosen);
    connect(ComboBox->lineEdit(), &QLineEdit::textEdited, this, &TLumoSaveLoadForm::textTyped);
    connect(ComboBox, &QComboBox::editTextChanged, this, &TLumoSaveLoadForm::ComboBoxChange);
    connect(BtnSave, &QPushButton::clicked, this, &TLumoSaveLoadForm::BtnSaveClick);
    connect(BtnLoad, &QPushButton::clicked, this, &TLumoSaveLoadForm::BtnLoadClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TLumoSaveLoadForm::BtnDeleteClick);
}

void TLumoSaveLoadForm::entryChosen()
{
    m_entryTypedOver = false;
    ComboBoxChange();
}

void TLumoSaveLoadForm::textTyped()
{
    m_entryTypedOver = true;
    ComboBoxChange();
}

void TLumoSaveLoadForm::FormActivate()
{
    RunCommand(m_dialogs, this, [this] {
        replaceList(ListSetups());
        ComboBox->setFocus();
    });
}

void TLumoSaveLoadForm::replaceList(const QList<QByteArray> &names)
{
    // Refilling the list is no choice of the user's: the buttons stay as they
    // are, and the name field keeps its text.
    const QSignalBlocker blocker(ComboBox);
    const QString text = ComboBox->currentText();
    ComboBox->clear();
    for (const QByteArray &name : names)
        ComboBox->addItem(FromCp1252(name));
    ComboBox->setCurrentIndex(-1);
    ComboBox->setEditText(text);
}

void TLumoSaveLoadForm::ProposeName(const QString &name)
{
    const QSignalBlocker blocker(ComboBox);
    ComboBox->setEditText(name);
}

void TLumoSaveLoadForm::ComboBoxChange()
{
    const int index = m_entryTypedOver ? -1 : ComboBox->currentIndex();
    const QString entry = index >= 0 ? ComboBox->itemText(index) : QString();
    // The position section is no setup: it may be deleted, but neither saved
    // over with render settings nor loaded as one.
    const bool isSetup = entry != FromCp1252(PositionSection);
    BtnSave->setEnabled(isSetup);
    BtnLoad->setEnabled(isSetup);
    BtnDelete->setEnabled(true);
}

void TLumoSaveLoadForm::BtnSaveClick()
{
    RunCommand(m_dialogs, this, [this] {
        SaveSetup(sectionName(ComboBox->currentText()));
        hide();
    });
}

void TLumoSaveLoadForm::BtnLoadClick()
{
    RunCommand(m_dialogs, this, [this] {
        const QString name = ComboBox->currentText();
        LoadSetup(sectionName(name));
        m_windows.ActivateEditor();
        m_windows.ActivateSettings();
        setWindowTitle(name);
        hide();
    });
}

void TLumoSaveLoadForm::BtnDeleteClick()
{
    RunCommand(m_dialogs, this, [this] {
        const QByteArray section = sectionName(ComboBox->currentText());
        SettingsFile file;
        file.EraseSection(section);
        file.UpdateFile();
        const QSignalBlocker blocker(ComboBox);
        ComboBox->clearEditText();
        replaceList(file.Sections());
    });
}
