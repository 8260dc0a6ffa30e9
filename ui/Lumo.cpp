#include "Lumo.h"

#include "CodePage.h"
#include "CommandGuard.h"
#include "ConvertText.h"
#include "LumoDialogs.h"
#include "LumoError.h"
#include "LumoWindows.h"
#include "RenderSettings.h"
#include "SetupStore.h"
#include "TextFile.h"
#include "WholeFile.h"
#include "WindowCommands.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>
#include <cstdlib>

TLumoForm *LumoForm = nullptr;

namespace {

const QString StartTextPath = QStringLiteral("lore_ipsum.txt");
const QString DocumentationPath = QStringLiteral("Dokumentation.txt");

// Menu captions that also name a command's progress.
const QString ConvertCaption = QStringLiteral("convert");
const QString ConvertOneCaption = QStringLiteral("convert to one picture");

} // namespace

QString MemoCapacityMessage()
{
    return QStringLiteral("Text \u00fcberschreitet Memo-Kapazit\u00e4t");
}

TLumoMemo::TLumoMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    follow(std::make_shared<FontObject>());
}

TLumoMemo::~TLumoMemo()
{
    // The render settings may hold on to the font object after the text area
    // is gone.
    m_font->OnChange = nullptr;
}

void TLumoMemo::SetFont(const FontObject &font)
{
    m_font->OnChange = nullptr;
    follow(std::make_shared<FontObject>(font));
}

void TLumoMemo::follow(const std::shared_ptr<FontObject> &font)
{
    m_font = font;
    m_font->OnChange = [this] { fontChanged(); };
    fontChanged();
}

void TLumoMemo::fontChanged()
{
    setFont(m_font->ToQFont());
    updateColours();
}

void TLumoMemo::SetColor(Colour colour)
{
    m_color = colour;
    updateColours();
}

void TLumoMemo::updateColours()
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ColourToQColor(m_color));
    colours.setColor(QPalette::Text, ColourToQColor(m_font->Color()));
    setPalette(colours);
}

QByteArray TLumoMemo::Text() const
{
    // The raw text keeps characters that toPlainText() would replace (the
    // no-break space); it separates blocks with U+2029, and Shift+Return
    // puts U+2028 inside a block, both line breaks of the 8-bit text.
    const QString text = document()->toRawText();
    QString lines;
    lines.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            lines += QLatin1String("\r\n");
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            lines += QLatin1Char('?'); // one character, one byte
            ++i;
        } else {
            lines += c;
        }
    }
    return ToCp1252(lines);
}

void TLumoMemo::SetText(const QByteArray &text)
{
    QString lines = FromCp1252(text);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(lines);
}

TLumoForm::TLumoForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_windows(windows)
{
    // The window font stands in for the classic 8-point dialog font: the
    // desktop's own sans-serif face at that size.
    QFont windowFont = QApplication::font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    Memo = new TLumoMemo(this);
    setCentralWidget(Memo);
    PopMenu = new QMenu(this);

    // The layout's geometry, kept when the stored one cannot be read.
    move(500, 53);
    resize(425, 577);
}

void TLumoForm::FormCreate()
{
    setWindowTitle(QStringLiteral("Editorfenster"));
    // Keys and wheel reach this window before the text area.
    Memo->installEventFilter(this);
    Memo->viewport()->installEventFilter(this);

    Memo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopMenu->popup(Memo->viewport()->mapToGlobal(pos)); });

    SetupFont = Memo->Font();
    createPopMenu();
    PlaceAtStoredGeometry(this, PositionKeys::WinEditLeft, PositionKeys::WinEditTop, PositionKeys::WinEditWidth,
                          PositionKeys::WinEditHeight);
    RunSilently([] { LoadSetup(StandardSetupName); });
    RunSilently([this] { loadIntoMemo(StartTextPath); });
}

void TLumoForm::createPopMenu()
{
    AddMenuCommands(PopMenu, this,
                    {
                        {QStringLiteral("load text"), &TLumoForm::LoadFileClick},
                        {QStringLiteral("save text"), &TLumoForm::SaveFileClick},
                        {QStringLiteral("save load delete"), &TLumoForm::SaveLoadDeleteClick},
                        {QStringLiteral("show setup"), &TLumoForm::SetupClick},
                        {ConvertCaption, &TLumoForm::ConvertClick},
                        {ConvertOneCaption, &TLumoForm::ConvertOneClick},
                        {ConvertFileCaption(), &TLumoForm::ConvertFileClick},
                        {QStringLiteral("doku"), &TLumoForm::DokuClick},
                        {QStringLiteral("quit"), &TLumoForm::QuitClick},
                    });
}

// PopMenu is the settings window's context menu too: a command's dialogs
// and messages belong to the window it was chosen in, so that the focus
// returns there and not to the editor.
QWidget *TLumoForm::commandWindow()
{
    QWidget *active = QApplication::activeWindow();
    return active ? active : this;
}

void TLumoForm::FormActivate()
{
    RunSilently([this] {
        Memo->SetColor(BGColor);
        Memo->Font()->SetColor(SetupFont->Color());
    });
}

std::shared_ptr<FontObject> TLumoForm::MemoFont() const
{
    return Memo->Font();
}

void TLumoForm::SetMemoFont(const FontObject &font)
{
    Memo->SetFont(font);
}

void TLumoForm::SetMemoBackground(Colour colour)
{
    Memo->SetColor(colour);
}

void TLumoForm::TakeFontColour(Colour colour)
{
    if (Memo->Font() != SetupFont)
        Memo->Font()->SetColor(colour);
}

QByteArray TLumoForm::MemoText() const
{
    return Memo->Text();
}

void TLumoForm::loadIntoMemo(const QString &path)
{
    const QByteArray text = LoadTextFile(path, TLumoMemo::Capacity);
    if (text.size() > TLumoMemo::Capacity)
        throw LumoError(MemoCapacityMessage());
    Memo->SetText(text);
}

void TLumoForm::LoadFileClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] {
        m_loadDialogTitle = QStringLiteral("Datei laden");
        if (const auto path = m_dialogs.OpenFileName(commandWindow(), m_loadDialogTitle))
            loadIntoMemo(*path);
    });
}

void TLumoForm::SaveFileClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] {
        m_loadDialogTitle = QStringLiteral("Datei speichern");
        if (const auto path = m_dialogs.OpenFileName(commandWindow(), m_loadDialogTitle))
            SaveFile(*path, MemoText());
    });
}

void TLumoForm::SaveLoadDeleteClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] { m_windows.ShowManager(); });
}

void TLumoForm::SetupClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] { m_windows.ShowSettings(); });
}

void TLumoForm::ConvertClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] { convertMemo(false); });
}

void TLumoForm::ConvertOneClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] { convertMemo(true); });
}

QSize TLumoForm::firstPictureSize() const
{
    // The point size goes in as a number of pixels.
    return QSize(Memo->width() + Memo->Font()->Size(), Memo->height());
}

void TLumoForm::convertMemo(bool onePicture)
{
    PictureControl &image = m_windows.FirstPicture();
    ClearFirstPicture(image, firstPictureSize());
    m_windows.SetPictureClientHeight(image.Height());
    SetupFont->SetSize(Memo->Font()->Size());
    ConvertText(MemoText(), image, m_windows.Pictures(), onePicture,
                {.watch = ProgressWatcher(m_dialogs, [this] { return commandWindow(); },
                                          onePicture ? ConvertOneCaption : ConvertCaption)});
    m_windows.ShowPictures();
}

void TLumoForm::ConvertFileClick()
{
    RunCommand(m_dialogs, commandWindow(), [this] {
        ConvertFromFile(m_dialogs, [this] { return commandWindow(); }, m_loadDialogTitle, m_windows,
                        [this] { return firstPictureSize(); });
    });
}

void TLumoForm::DokuClick()
{
    RunSilently([this] { loadIntoMemo(DocumentationPath); });
}

void TLumoForm::QuitClick()
{
    close();
}

bool TLumoForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Memo && event->type() == QEvent::KeyPress) {
        FormKeyDown(static_cast<QKeyEvent *>(event));
    } else if (watched == Memo->viewport() && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        wheelTurned(wheel);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // The text area would page through the text on Ctrl+wheel; it
            // goes on with the turn as a plain one and scrolls by lines.
            QWheelEvent plain(wheel->position(), wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                              wheel->buttons(), wheel->modifiers() & ~Qt::ControlModifier, wheel->phase(),
                              wheel->inverted(), wheel->source());
            QCoreApplication::sendEvent(Memo->viewport(), &plain);
            return true;
        }
    }
    // The text area goes on with its own handling of the key or the wheel.
    return QMainWindow::eventFilter(watched, event);
}

void TLumoForm::FormKeyDown(QKeyEvent *event)
{
    if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier))
        Memo->selectAll();
}

void TLumoForm::wheelTurned(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return;
    m_wheel.Turn(event->angleDelta().y(), [this] { FormMouseWheelDown(); }, [this] { FormMouseWheelUp(); });
}

void TLumoForm::FormMouseWheelDown()
{
    FontObject &font = *Memo->Font();
    font.SetSize(font.Size() + 1);
}

void TLumoForm::FormMouseWheelUp()
{
    FontObject &font = *Memo->Font();
    const std::int32_t size = font.Size();
    if (size - 1 > 0)
        font.SetSize(std::abs(size) - 1);
}
