// The integers of the settings file: the input is one value's text. The
// engine's reading (ParseInteger, StrToInt, SettingsFile::ReadInteger) must
// agree with the independent reading in IntegerModel.h, and what the file
// writes must read back as the number written.

#include "FuzzSupport.h"
#include "IntegerModel.h"

#include "IntegerText.h"
#include "LumoError.h"
#include "SettingsFile.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray shown(const std::optional<std::int32_t> &value)
{
    return value ? QByteArray::number(*value) : QByteArray("not an integer");
}

QByteArray detail(const QByteArray &text, const std::optional<std::int32_t> &engine,
                  const std::optional<std::int32_t> &model)
{
    return "text " + Escaped(text) + ": engine " + shown(engine) + ", rules " + shown(model);
}

void checkParse(const QByteArray &text)
{
    const std::optional<std::int32_t> engine = ParseInteger(text);
    const std::optional<std::int32_t> model = ModelInteger(text);
    FUZZ_CHECK(engine == model, detail(text, engine, model));

    bool raised = false;
    try {
        FUZZ_CHECK(StrToInt(text) == *model, detail(text, engine, model));
    } catch (const LumoError &error) {
        raised = true;
        // The message quotes the text between "'" and "' ist kein ...".
        const QString message = error.message();
        const QString tail = QStringLiteral("' ist kein g\u00fcltiger Integerwert");
        FUZZ_CHECK(message.startsWith(QLatin1Char('\'')) && message.endsWith(tail)
                       && message.size() == text.size() + 1 + tail.size(),
                   "StrToInt's message for " + Escaped(text) + ": " + message.toUtf8());
    }
    FUZZ_CHECK(raised == !model, detail(text, engine, model) + " (StrToInt raised: " + QByteArray::number(raised) + ")");
}

// ReadInteger on a copy held in memory: the path is never written.
void checkReadInteger(const QByteArray &text)
{
    if (text.contains('\r') || text.contains('\n') || text.contains('\0'))
        return; // not a value a file line can hold; WriteString refuses it
    SettingsFile file(ScratchFile(QStringLiteral("never-written.ini")));
    file.WriteString("S", "Key", text);
    for (const std::int32_t fallback : {7, -7}) {
        const std::int32_t engine = file.ReadInteger("s", "KEY", fallback);
        const std::int32_t model = ModelReadInteger(text, fallback);
        FUZZ_CHECK(engine == model, "ReadInteger of " + Escaped(text) + " with default " + QByteArray::number(fallback)
                                        + ": engine " + QByteArray::number(engine) + ", rules "
                                        + QByteArray::number(model));
        FUZZ_CHECK(file.ReadInteger("S", "Other", fallback) == fallback, "missing key of " + Escaped(text));
    }
}

// Whatever number the text names, the forms the program writes read back as it.
void checkWrittenForms(const QByteArray &text)
{
    std::uint32_t bits = 0;
    for (const char c : text)
        bits = bits * 31 + static_cast<unsigned char>(c);
    const auto value = static_cast<std::int32_t>(bits);
    const QByteArray decimal = QByteArray::number(value);
    FUZZ_CHECK(ParseInteger(decimal) == value, "decimal " + decimal);
    // Colours are written as eight upper-case hexadecimal digits.
    const QByteArray hex = QByteArray::number(bits, 16).toUpper().rightJustified(8, '0');
    FUZZ_CHECK(ParseInteger('$' + hex) == value, "hexadecimal $" + hex);
    FUZZ_CHECK(ParseInteger("0x" + hex.toLower()) == value, "hexadecimal 0x" + hex.toLower());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 256)
        return 0; // longer texts only repeat blanks or digits past every limit
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkParse(text);
    checkReadInteger(text);
    checkWrittenForms(text);
    return 0;
}
