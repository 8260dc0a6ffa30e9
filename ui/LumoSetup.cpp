#include "LumoSetup.h"

#include "CommandGuard.h"
#include "LumoDialogs.h"
#include "LumoWindows.h"
#include "PanelWidgets.h"
#include "RenderSettings.h"
#include "SetupStore.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

TLumoSetupForm *LumoSetupForm = nullptr;

namespace {

constexpr int PanelWidth = 545;
constexpr int PanelHeight = 313;

// Where the window stands when the settings file cannot tell.
constexpr QPoint LayoutPosition(252, 337);

void setRoleColour(QWidget *widget, QPalette::ColorRole role, Colour colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ColourToQColor(colour));
    widget->setPalette(palette);
}

QLabel *createLabel(QWidget *panel, const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, panel);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QSlider *createTrackBar(QWidget *panel, const QString &name, const QRect &geometry)
{
    auto *trackBar = new QSlider(Qt::Horizontal, panel);
    trackBar->setObjectName(name);
    trackBar->setGeometry(geometry);
    trackBar->setRange(0, 10);
    trackBar->setSingleStep(1);
    trackBar->setPageStep(2);
    trackBar->setTickPosition(QSlider::TicksBelow);
    trackBar->setTickInterval(1);
    trackBar->setValue(0);
    return trackBar;
}

} // namespace

QString FontDescription(const FontObject &font)
{
    QString text = font.Name() + QLatin1Char(' ') + QString::number(font.Size()) + QLatin1Char(' ');
    if (font.HasStyle(FontObject::fsBold))
        text += QStringLiteral("bold ");
    if (font.HasStyle(FontObject::fsItalic))
        text += QStringLiteral("italic ");
    if (font.HasStyle(FontObject::fsUnderline))
        text += QStringLiteral("underline ");
    if (font.HasStyle(FontObject::fsStrikeOut))
        text += QStringLiteral("strikeout");
    return text;
}

TLumoSetupForm::TLumoSetupForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_windows(windows), m_dialogFont(std::make_shared<FontObject>())
{
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    createPanel();
    createMenus();
    SettleFixedSize(this);
    move(LayoutPosition);
}


void TLumoSetupForm::createPanel()
{
    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFixedSize(PanelWidth, PanelHeight);
    setCentralWidget(Panel);

    LabFont = createLabel(Panel, QStringLiteral("LabFont"), QString(), QRect(1, 12, PanelWidth - 2, 60));
    LabHorizonal = createLabel(Panel, QStringLiteral("LabHorizonal"), QStringLiteral("horizonal"),
                               QRect(96, 96, 42, 13));
    LabVertikal = createLabel(Panel, QStringLiteral("LabVertikal"), QStringLiteral("vertikal"),
                              QRect(328, 96, 34, 13));
    TrBarX = createTrackBar(Panel, QStringLiteral("TrBarX"), QRect(88, 112, 150, 45));
    TrBarY = createTrackBar(Panel, QStringLiteral("TrBarY"), QRect(320, 112, 150, 45));
    LabRauschen = createLabel(Panel, QStringLiteral("LabRauschen"), QStringLiteral("Rauschen"),
                              QRect(104, 168, 49, 13));
    TrackBarRausch = createTrackBar(Panel, QStringLiteral("TrackBarRausch"), QRect(32, 184, 473, 45));
    // Caption labels size themselves to their text, so a desktop font wider
    // than the layout's is not cut off; they keep their place.
    for (QLabel *caption : {LabHorizonal, LabVertikal, LabRauschen})
        caption->resize(caption->size().expandedTo(caption->sizeHint()));
    BtnHintergrund = CreatePanelButton(Panel, QStringLiteral("BtnHintergrund"), QStringLiteral("Hintergrundfarbe"),
                                       QRect(32, 248, 153, 25));
    BtnFontColor = CreatePanelButton(Panel, QStringLiteral("BtnFontColor"), QStringLiteral("Fontfarbe"),
                                     QRect(192, 248, 153, 25));
    BtnConvert = CreatePanelButton(Panel, QStringLiteral("BtnConvert"), QStringLiteral("Convert"),
                                   QRect(352, 248, 153, 25));
}

void TLumoSetupForm::createMenus()
{
    DateiMenu = menuBar()->addMenu(QStringLiteral("Datei"));
    saveSetupAs = DateiMenu->addAction(QStringLiteral("save window positions"));
    SaveLoadDelete = DateiMenu->addAction(QStringLiteral("save load delete"));
    changeFont1 = DateiMenu->addAction(QStringLiteral("change Font"));
    colorbackground1 = DateiMenu->addAction(QStringLiteral("color background"));
    colorfont1 = DateiMenu->addAction(QStringLiteral("color font"));
    convert1 = DateiMenu->addAction(QStringLiteral("convert"));
    close1 = DateiMenu->addAction(QStringLiteral("close"));
}

void TLumoSetupForm::FormCreate()
{
    setWindowTitle(QStringLiteral("Fenster Einstellungen"));
    // The window is as large as its panel and menu bar, and stays so.
    SettleFixedSize(this);

    LabFont->setAutoFillBackground(true);
    setRoleColour(LabFont, QPalette::Window, BGColor);
    LabFont->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LabFont->setWordWrap(false);
    LabFont->setTextFormat(Qt::PlainText);
    LabFont->setToolTip(QStringLiteral("click to change Font"));

    TrackBarRausch->setMaximum(30);

    connectHandlers();

    MoveToStoredPosition(this, PositionKeys::WinSetupLeft, PositionKeys::WinSetupTop);

    // Without the file the sixteen custom slots simply start empty.
    RunSilently([this] { m_customColours.Load(); });
}

void TLumoSetupForm::connectHandlers()
{
    LabFont->installEventFilter(this);
    connect(TrBarX, &QSlider::valueChanged, this, &TLumoSetupForm::TrBarXChange);
    connect(TrBarY, &QSlider::valueChanged, this, &TLumoSetupForm::TrBarYChange);
    connect(TrackBarRausch, &QSlider::valueChanged, this, &TLumoSetupForm::TrackBarRauschChange);
    connect(BtnHintergrund, &QPushButton::clicked, this, &TLumoSetupForm::BtnHintergrundClick);
    connect(BtnFontColor, &QPushButton::clicked, this, &TLumoSetupForm::BtnFontColorClick);
    connect(BtnConvert, &QPushButton::clicked, this, &TLumoSetupForm::BtnConvertClick);

    connect(saveSetupAs, &QAction::triggered, this, &TLumoSetupForm::SaveProgSetupClick);
    connect(SaveLoadDelete, &QAction::triggered, this, &TLumoSetupForm::SaveLoadDeleteClick);
    connect(changeFont1, &QAction::triggered, this, &TLumoSetupForm::LabFontClick);
    connect(colorbackground1, &QAction::triggered, this, &TLumoSetupForm::BtnHintergrundClick);
    connect(colorfont1, &QAction::triggered, this, &TLumoSetupForm::BtnFontColorClick);
    connect(convert1, &QAction::triggered, this, &TLumoSetupForm::BtnConvertClick);
    connect(close1, &QAction::triggered, this, &TLumoSetupForm::CloseClick);

    // The editor's context menu serves this window too.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &TLumoSetupForm::showContextMenu);
}

void TLumoSetupForm::showContextMenu(const QPoint &pos)
{
    if (QMenu *menu = m_windows.EditorMenu())
        menu->popup(mapToGlobal(pos));
}

bool TLumoSetupForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LabFont && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A press that is dragged off the sample and released elsewhere is no click.
        if (mouse->button() == Qt::LeftButton && LabFont->rect().contains(mouse->position().toPoint())) {
            LabFontClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TLumoSetupForm::FormActivate()
{
    setRoleColour(LabFont, QPalette::Window, BGColor);
    showFontSample(*SetupFont);
    LabFont->setText(FontDescription(*SetupFont));
    // A stored value outside a bar's range is clamped by the bar, and the
    // change handler then writes the clamped value back; a bar that already
    // stands at the clamped value reports no change and the value stays.
    TrBarX->setValue(HoVar);
    TrBarY->setValue(VeVar);
    TrackBarRausch->setValue(Rausch);
}

void TLumoSetupForm::showFontSample(const FontObject &font)
{
    LabFont->setFont(font.ToQFont());
    setRoleColour(LabFont, QPalette::WindowText, font.Color());
}

void TLumoSetupForm::TrBarXChange(int position)
{
    HoVar = position;
}

void TLumoSetupForm::TrBarYChange(int position)
{
    VeVar = position;
}

void TLumoSetupForm::TrackBarRauschChange(int position)
{
    Rausch = position;
}

void TLumoSetupForm::LabFontClick()
{
    RunCommand(m_dialogs, this, [this] {
        m_dialogFont->Assign(*SetupFont);
        // The dialog works on a scratch copy: once SetupFont is the dialog's
        // own object, a cancelled dialog must still leave it untouched.
        FontObject choice(*m_dialogFont);
        if (!m_dialogs.ChooseFont(this, choice))
            return;
        m_dialogFont->Assign(choice);

        showFontSample(*m_dialogFont);
        // From here on the render font and the editor's font go separate ways.
        SetupFont = m_dialogFont;
        LabFont->setText(FontDescription(*SetupFont));
        m_windows.GiveEditorFont(*m_dialogFont);
    });
}

void TLumoSetupForm::BtnHintergrundClick()
{
    RunCommand(m_dialogs, this, [this] {
        CustomColourSlots customColours = m_customColours.Slots();
        const std::optional<Colour> colour = m_dialogs.ChooseColour(this, BGColor, customColours);
        if (!colour)
            return;
        BGColor = *colour;
        setRoleColour(LabFont, QPalette::Window, BGColor);
        m_windows.GiveEditorBackground(BGColor);
        storeCustomColours(customColours);
    });
}

void TLumoSetupForm::BtnFontColorClick()
{
    RunCommand(m_dialogs, this, [this] {
        CustomColourSlots customColours = m_customColours.Slots();
        const std::optional<Colour> colour = m_dialogs.ChooseColour(this, SetupFont->Color(), customColours);
        if (!colour)
            return;
        setRoleColour(LabFont, QPalette::WindowText, *colour);
        SetupFont->SetColor(*colour);
        m_windows.GiveEditorFontColour(*colour);
        storeCustomColours(customColours);
    });
}

void TLumoSetupForm::storeCustomColours(const CustomColourSlots &customColours)
{
    m_customColours.SetSlots(customColours);
    m_customColours.Save();
}

void TLumoSetupForm::BtnConvertClick()
{
    m_windows.ConvertEditorText();
}

void TLumoSetupForm::SaveProgSetupClick()
{
    RunCommand(m_dialogs, this, [this] {
        // Positions and sizes in the sense the windows are placed with at start.
        const QRect edit = m_windows.EditorPlace();
        const QRect image = m_windows.PicturePlace();
        WritePositions({
            {PositionKeys::WinEditLeft, edit.x()},
            {PositionKeys::WinEditTop, edit.y()},
            {PositionKeys::WinEditWidth, edit.width()},
            {PositionKeys::WinEditHeight, edit.height()},
            {PositionKeys::WinImageLeft, image.x()},
            {PositionKeys::WinImageTop, image.y()},
            {PositionKeys::WinImageWidth, image.width()},
            {PositionKeys::WinImageHeight, image.height()},
            {PositionKeys::WinSetupLeft, pos().x()},
            {PositionKeys::WinSetupTop, pos().y()},
        });
        SaveSetup(StandardSetupName);
    });
}

void TLumoSetupForm::SaveLoadDeleteClick()
{
    RunCommand(m_dialogs, this, [this] {
        m_windows.ProposeSetupName(FontDescription(*SetupFont));
        m_windows.ShowManager();
    });
}

void TLumoSetupForm::CloseClick()
{
    hide();
}
