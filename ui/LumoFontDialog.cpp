#include "LumoFontDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct NamedColour
{
    const char *name;
    Colour value;
};

// The sixteen colours of the classic font dialog, in its order.
constexpr NamedColour StandardColours[] = {
    {"Black", 0x000000},   {"Maroon", 0x000080}, {"Green", 0x008000},   {"Olive", 0x008080},
    {"Navy", 0x800000},    {"Purple", 0x800080}, {"Teal", 0x808000},    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},  {"Red", 0x0000FF},    {"Lime", 0x00FF00},    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},    {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},   {"White", 0xFFFFFF},
};

constexpr int StandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The sizes the classic dialog lets the user type.
constexpr int MinSize = 1;
constexpr int MaxSize = 1638;

constexpr std::uint8_t BoldItalic = FontObject::fsBold | FontObject::fsItalic;
constexpr std::uint8_t Effects = FontObject::fsUnderline | FontObject::fsStrikeOut;

QIcon swatch(Colour colour)
{
    QPixmap pixmap(24, 14);
    pixmap.fill(ColourToQColor(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

LumoFontDialog::LumoFontDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Font"));
    createWidgets();
}

void LumoFontDialog::createWidgets()
{
    FontNameBox = new QFontComboBox(this);
    FontNameBox->setObjectName(QStringLiteral("FontNameBox"));
    FontNameBox->lineEdit()->setMaxLength(MaxFontNameLength);

    StyleBox = new QComboBox(this);
    StyleBox->setObjectName(QStringLiteral("StyleBox"));
    StyleBox->addItem(tr("Regular"), 0);
    StyleBox->addItem(tr("Italic"), int(FontObject::fsItalic));
    StyleBox->addItem(tr("Bold"), int(FontObject::fsBold));
    StyleBox->addItem(tr("Bold Italic"), int(BoldItalic));

    SizeBox = new QComboBox(this);
    SizeBox->setObjectName(QStringLiteral("SizeBox"));
    SizeBox->setEditable(true);
    SizeBox->setInsertPolicy(QComboBox::NoInsert);
    for (const int size : StandardSizes)
        SizeBox->addItem(QString::number(size));
    SizeBox->setValidator(new QIntValidator(MinSize, MaxSize, SizeBox));

    StrikeoutCheck = new QCheckBox(tr("Stri&keout"), this);
    StrikeoutCheck->setObjectName(QStringLiteral("StrikeoutCheck"));
    UnderlineCheck = new QCheckBox(tr("&Underline"), this);
    UnderlineCheck->setObjectName(QStringLiteral("UnderlineCheck"));

    ColourBox = new QComboBox(this);
    ColourBox->setObjectName(QStringLiteral("ColourBox"));
    for (const NamedColour &colour : StandardColours)
        ColourBox->addItem(swatch(colour.value), tr(colour.name), colour.value);

    SampleLabel = new QLabel(QStringLiteral("AaBbYyZz"), this);
    SampleLabel->setObjectName(QStringLiteral("SampleLabel"));
    SampleLabel->setAlignment(Qt::AlignCenter);
    SampleLabel->setMinimumSize(200, 60);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto *nameLabel = new QLabel(tr("&Font:"), this);
    nameLabel->setBuddy(FontNameBox);
    auto *styleLabel = new QLabel(tr("Font st&yle:"), this);
    styleLabel->setBuddy(StyleBox);
    auto *sizeLabel = new QLabel(tr("&Size:"), this);
    sizeLabel->setBuddy(SizeBox);
    auto *colourLabel = new QLabel(tr("&Color:"), this);
    colourLabel->setBuddy(ColourBox);

    auto *effects = new QGroupBox(tr("Effects"), this);
    auto *effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(StrikeoutCheck);
    effectsLayout->addWidget(UnderlineCheck);
    effectsLayout->addWidget(colourLabel);
    effectsLayout->addWidget(ColourBox);
    effectsLayout->addStretch();

    auto *sample = new QGroupBox(tr("Sample"), this);
    auto *sampleLayout = new QVBoxLayout(sample);
    sampleLayout->addWidget(SampleLabel);

    auto *layout = new QGridLayout(this);
    layout->addWidget(nameLabel, 0, 0);
    layout->addWidget(styleLabel, 0, 1);
    layout->addWidget(sizeLabel, 0, 2);
    layout->addWidget(FontNameBox, 1, 0);
    layout->addWidget(StyleBox, 1, 1);
    layout->addWidget(SizeBox, 1, 2);
    layout->addWidget(effects, 2, 0);
    layout->addWidget(sample, 2, 1, 1, 2);
    layout->addWidget(Buttons, 3, 0, 1, 3);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 1);

    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FontNameBox, &QComboBox::editTextChanged, this, &LumoFontDialog::UpdateSample);
    connect(StyleBox, &QComboBox::currentIndexChanged, this, &LumoFontDialog::UpdateSample);
    connect(SizeBox, &QComboBox::editTextChanged, this, &LumoFontDialog::UpdateSample);
    connect(StrikeoutCheck, &QCheckBox::toggled, this, &LumoFontDialog::UpdateSample);
    connect(UnderlineCheck, &QCheckBox::toggled, this, &LumoFontDialog::UpdateSample);
    connect(ColourBox, &QComboBox::currentIndexChanged, this, &LumoFontDialog::UpdateSample);
}

void LumoFontDialog::SetFont(const FontObject &font)
{
    m_font = font;

    // The family list names the installed fonts only; the font's own name is
    // put back into the edit field so that it survives an untouched dialog.
    FontNameBox->setCurrentFont(font.ToQFont());
    FontNameBox->setEditText(font.Name());

    StyleBox->setCurrentIndex(StyleBox->findData(int(font.Style() & BoldItalic)));
    SizeBox->setEditText(QString::number(font.Size()));
    StrikeoutCheck->setChecked(font.HasStyle(FontObject::fsStrikeOut));
    UnderlineCheck->setChecked(font.HasStyle(FontObject::fsUnderline));
    selectColour(font.Color());
    UpdateSample();
}

void LumoFontDialog::selectColour(Colour colour)
{
    // Any colour that is not one of the sixteen gets an entry of its own,
    // as the classic dialog does.
    for (int i = 0; i < ColourBox->count(); ++i) {
        if (ColourBox->itemData(i).toInt() == colour) {
            ColourBox->setCurrentIndex(i);
            return;
        }
    }
    ColourBox->addItem(swatch(colour), colour < 0 ? tr("System") : tr("Custom"), colour);
    ColourBox->setCurrentIndex(ColourBox->count() - 1);
}

FontObject LumoFontDialog::Font() const
{
    FontObject font(m_font);

    const QString name = FontNameBox->currentText();
    if (name != m_font.Name() && !name.trimmed().isEmpty())
        font.SetName(name.trimmed());

    bool isNumber = false;
    const int size = SizeBox->currentText().trimmed().toInt(&isNumber);
    if (isNumber && size != m_font.Size())
        font.SetSize(size);

    std::uint8_t style = m_font.Style() & ~(BoldItalic | Effects);
    style |= static_cast<std::uint8_t>(StyleBox->currentData().toInt());
    if (UnderlineCheck->isChecked())
        style |= FontObject::fsUnderline;
    if (StrikeoutCheck->isChecked())
        style |= FontObject::fsStrikeOut;
    font.SetStyle(style);

    font.SetColor(static_cast<Colour>(ColourBox->currentData().toInt()));
    return font;
}

void LumoFontDialog::UpdateSample()
{
    bool isNumber = false;
    const int size = SizeBox->currentText().trimmed().toInt(&isNumber);
    // The font's own size stays acceptable even outside the typed range, so
    // an untouched dialog can always be confirmed.
    const bool sizeAcceptable = isNumber && ((size >= MinSize && size <= MaxSize) || size == m_font.Size());
    const bool nameAcceptable = !FontNameBox->currentText().trimmed().isEmpty();
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(sizeAcceptable && nameAcceptable);

    const FontObject font = Font();
    SampleLabel->setFont(font.ToQFont());
    QPalette palette = SampleLabel->palette();
    palette.setColor(QPalette::WindowText, ColourToQColor(font.Color()));
    SampleLabel->setPalette(palette);
}
