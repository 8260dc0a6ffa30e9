// The settings file "LumoSetup.ini": the input is the file's bytes. It is
// read, written back, its setups loaded, saved and erased, and after every
// step the file and the render settings are compared with SettingsModel.h
// and IntegerModel.h, which follow the file's rules independently:
//  - reading gives the model's sections, keys and values;
//  - writing back gives the model's bytes, and writing that again the same;
//  - LoadSetup sets what the model reads, or raises "kein gültiger
//    Integerwert" exactly where the model finds no integer;
//  - SaveSetup changes only its own section's keys; loading what it saved
//    gives the same render settings, and saving them again the same bytes;
//  - a setup or font name holding CR, LF or NUL is refused with the file
//    untouched, or, if accepted, leaves the file's structure whole;
//  - EraseSetup removes the model's section and nothing else.

#include "FuzzSupport.h"
#include "IntegerModel.h"
#include "SettingsModel.h"

#include "CodePage.h"
#include "LumoError.h"
#include "RenderSettings.h"
#include "SettingsFile.h"
#include "SetupStore.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <cstdint>

namespace {

// The render settings that a setup carries.
QByteArray shown(const RenderValues &s)
{
    const FontObject &font = s.font;
    return "BGColor " + QByteArray::number(s.background) + ", font " + Escaped(font.Name().toUtf8()) + " height "
           + QByteArray::number(font.Height()) + " colour " + QByteArray::number(font.Color()) + " pitch "
           + QByteArray::number(font.Pitch()) + " style " + QByteArray::number(font.Style()) + " charset "
           + QByteArray::number(font.Charset()) + ", HoVar " + QByteArray::number(s.hoVar) + " VeVar "
           + QByteArray::number(s.veVar) + " Rausch " + QByteArray::number(s.rausch);
}

QByteArray shown(const QList<QByteArray> &names)
{
    QByteArray text;
    for (const QByteArray &name : names)
        text += Escaped(name) + ' ';
    return text;
}

bool holdsBreak(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// -round(size x 96 / 72), halves away from zero: the height of a size at the
// resolution the engine assumes without a screen.
std::int64_t heightOf(std::int64_t size)
{
    const std::int64_t magnitude = (std::llabs(size) * 96 * 2 + 72) / (72 * 2);
    return size < 0 ? magnitude : -magnitude;
}

// -round(height x 72 / 96), halves away from zero: the size a height reads
// back as.
std::int64_t sizeOf(std::int64_t height)
{
    const std::int64_t magnitude = (std::llabs(height) * 72 * 2 + 96) / (96 * 2);
    return height < 0 ? magnitude : -magnitude;
}

// The font name as the file keeps it: up to a NUL byte, at most 31
// characters, and no blanks
// or control characters at its end, since reading would trim them.
QByteArray storedFontName(const QByteArray &name)
{
    const qsizetype nul = name.indexOf('\0');
    return ModelTrimmed(name.left(nul >= 0 && nul < 31 ? nul : 31));
}

struct ExpectedLoad
{
    RenderValues settings;
    std::optional<QByteArray> badInteger; // the text the message quotes
};

// LoadSetup by the rules: each value assigned as read, in the table's order;
// a colour, pitch or charset that is no integer stops there.
ExpectedLoad modelLoad(const ModelFile &file, const QByteArray &name, RenderValues s)
{
    const auto read = [&](const char *key, const QByteArray &fallback) {
        return ModelRead(file, name, key).value_or(fallback);
    };
    const auto integer = [&](const QByteArray &text, auto assign) -> bool {
        const std::optional<std::int32_t> value = ModelInteger(text);
        if (value)
            assign(*value);
        return value.has_value();
    };

    FontObject &font = s.font;
    const QByteArray background = '$' + read("BGColor", "00FFFFFF");
    if (!integer(background, [&](std::int32_t v) { s.background = v; }))
        return {s, background};
    const QByteArray name31 = storedFontName(read("FTName", "Arial"));
    if (!name31.isEmpty())
        font.SetName(FromCp1252(name31));
    const std::int32_t size = ModelReadInteger(ModelRead(file, name, "FTSize"), 8);
    font.SetHeight(static_cast<std::int32_t>(std::clamp<std::int64_t>(heightOf(size), INT32_MIN, INT32_MAX)));
    const QByteArray colour = '$' + read("FTColor", "00000000");
    if (!integer(colour, [&](std::int32_t v) { font.SetColor(v); }))
        return {s, colour};
    const QByteArray pitch = read("FTPitch", "0");
    if (!integer(pitch, [&](std::int32_t v) { font.SetPitch(static_cast<std::uint8_t>(v)); }))
        return {s, pitch};
    const QByteArray style = read("FTStyle", "");
    font.SetStyle(static_cast<std::uint8_t>((style.contains('B') ? 1 : 0) | (style.contains('I') ? 2 : 0)
                                            | (style.contains('U') ? 4 : 0) | (style.contains('S') ? 8 : 0)));
    const QByteArray charset = read("FTCSet", "0");
    if (!integer(charset, [&](std::int32_t v) { font.SetCharset(static_cast<std::uint8_t>(v)); }))
        return {s, charset};
    s.hoVar = ModelReadInteger(ModelRead(file, name, "HoVar"), 0);
    s.veVar = ModelReadInteger(ModelRead(file, name, "VeVar"), 0);
    s.rausch = ModelReadInteger(ModelRead(file, name, "Rausch"), 0);
    return {s, std::nullopt};
}

// SaveSetup by the rules: the ten keys in the table's order.
void modelSave(ModelFile &file, const QByteArray &name, const RenderValues &s)
{
    const auto colour = [](Colour c) {
        return QByteArray::number(static_cast<quint32>(c), 16).toUpper().rightJustified(8, '0');
    };
    const FontObject &font = s.font;
    QByteArray style;
    for (const auto &[flag, letter] : {std::pair{1, 'B'}, {2, 'I'}, {4, 'U'}, {8, 'S'}}) {
        if (font.Style() & flag)
            style += letter;
    }
    ModelWrite(file, name, "BGColor", colour(s.background));
    ModelWrite(file, name, "FTName", storedFontName(ToCp1252(font.Name())));
    ModelWrite(file, name, "FTSize", QByteArray::number(sizeOf(font.Height())));
    ModelWrite(file, name, "FTColor", colour(font.Color()));
    ModelWrite(file, name, "FTPitch", QByteArray::number(font.Pitch()));
    ModelWrite(file, name, "FTStyle", style);
    ModelWrite(file, name, "FTCSet", QByteArray::number(font.Charset()));
    ModelWrite(file, name, "HoVar", QByteArray::number(s.hoVar));
    ModelWrite(file, name, "VeVar", QByteArray::number(s.veVar));
    ModelWrite(file, name, "Rausch", QByteArray::number(s.rausch));
}

using Describe = std::function<QByteArray()>;

class Run
{
public:
    explicit Run(const QByteArray &input) : m_input(input), m_path(ScratchFile(QStringLiteral("LumoSetup.ini"))) {}

    void All()
    {
        ResetRenderSettings();
        WriteBytes(m_path, m_input);
        m_model = ParseModel(m_input);
        checkReading();
        checkWriteBack();

        // Every setup is loaded (up to 32 names); the first four are also
        // saved back, since each save writes the whole file several times.
        QList<QByteArray> names;
        for (const QByteArray &name : ModelSectionNames(m_model)) {
            if (names.size() < 32 && !names.contains(name))
                names.append(name);
        }
        names.append("no such setup");
        for (qsizetype i = 0; i < names.size(); ++i)
            checkSetup(names[i], i < 4 || i == names.size() - 1);

        checkBrokenNames(names.first());
        checkErase(names.first());
    }

private:
    QByteArray context() const { return "file " + Escaped(m_input); }

    void checkFileIsModel(const char *after)
    {
        const QByteArray bytes = ReadBytes(m_path);
        FUZZ_CHECK(bytes == SerializeModel(m_model), QByteArray("after ") + after + ": file " + Escaped(bytes)
                                                        + ", rules " + Escaped(SerializeModel(m_model)) + "; "
                                                        + context());
    }

    void checkReading()
    {
        const SettingsFile file(m_path);
        const QList<QByteArray> names = ModelSectionNames(m_model);
        FUZZ_CHECK(file.Sections() == names, "sections " + shown(file.Sections()) + ", rules " + shown(names) + "; "
                                                 + context());
        FUZZ_CHECK(ListSetups(m_path) == names, "ListSetups; " + context());
        for (const ModelSection &section : m_model) {
            for (const ModelLine &line : section.lines) {
                if (!line.hasEquals)
                    continue;
                const std::optional<QByteArray> expected = ModelRead(m_model, section.name, line.key);
                for (const QByteArray &spelling : {section.name, ModelUpperText(section.name), section.name.toLower()}) {
                    const std::optional<QByteArray> value = file.ReadValue(spelling, line.key);
                    FUZZ_CHECK(value == expected, "value of " + Escaped(spelling) + "/" + Escaped(line.key) + ": "
                                                      + Escaped(value.value_or("(none)")) + ", rules "
                                                      + Escaped(expected.value_or("(none)")) + "; " + context());
                }
            }
        }
    }

    void checkWriteBack()
    {
        SettingsFile(m_path).UpdateFile();
        checkFileIsModel("UpdateFile");
        const QByteArray written = ReadBytes(m_path);
        const SettingsFile again(m_path);
        FUZZ_CHECK(again.Sections() == ModelSectionNames(m_model), "sections read back; " + context());
        again.UpdateFile();
        FUZZ_CHECK(ReadBytes(m_path) == written, "second write-back differs: " + Escaped(ReadBytes(m_path))
                                                     + " after " + Escaped(written) + "; " + context());
    }

    void checkSetup(const QByteArray &name, bool saveBack)
    {
        // Messages are made only for a failure: escaping the whole file for
        // each would take much of a run's time.
        const Describe about = [&] { return "setup " + Escaped(name) + " of " + context(); };
        ResetRenderSettings();
        const ExpectedLoad expected = modelLoad(m_model, name, CurrentRenderValues());
        std::optional<QString> message;
        try {
            LoadSetup(name, m_path);
        } catch (const LumoError &error) {
            message = error.message();
        }
        if (expected.badInteger) {
            const QString wanted = LumoMessages::NotAnInteger(FromCp1252(*expected.badInteger));
            FUZZ_CHECK(message == wanted, "LoadSetup raised " + message.value_or("nothing").toUtf8() + ", rules "
                                              + wanted.toUtf8() + "; " + about());
        } else {
            FUZZ_CHECK(!message, "LoadSetup raised " + message->toUtf8() + "; " + about());
        }
        const RenderValues loaded = CurrentRenderValues();
        const RenderValues &wanted = expected.settings;
        FUZZ_CHECK(loaded == wanted, "LoadSetup gave " + shown(loaded) + ", rules " + shown(wanted) + "; " + about());
        checkFileIsModel("LoadSetup");

        const RenderValues before = CurrentRenderValues();
        if (!saveBack || !save(name, before, about))
            return;

        // What was saved loads back as it was, and saves as the same bytes.
        const QByteArray saved = ReadBytes(m_path);
        ResetRenderSettings();
        try {
            LoadSetup(name, m_path);
        } catch (const LumoError &error) {
            FUZZ_CHECK(false, "loading a saved setup raised " + error.message().toUtf8() + "; " + about());
        }
        FUZZ_CHECK(CurrentRenderValues() == before, "saved " + shown(before) + ", loaded back " + shown(CurrentRenderValues())
                                                 + "; " + about());
        SaveSetup(name, m_path);
        FUZZ_CHECK(ReadBytes(m_path) == saved, "saving again wrote " + Escaped(ReadBytes(m_path)) + " after "
                                                   + Escaped(saved) + "; " + about());
    }

    // SaveSetup of the current settings; false when it was refused (allowed
    // only for a name or font name that holds a line break or NUL, and then
    // the file stays as it was).
    bool save(const QByteArray &name, const RenderValues &settings, const Describe &about)
    {
        const QByteArray before = ReadBytes(m_path);
        try {
            SaveSetup(name, m_path);
        } catch (const LumoError &error) {
            FUZZ_CHECK(holdsBreak(name) || holdsBreak(ToCp1252(settings.font.Name())),
                       "SaveSetup raised " + error.message().toUtf8() + "; " + about());
            FUZZ_CHECK(ReadBytes(m_path) == before, "a refused SaveSetup changed the file; " + about());
            return false;
        }
        modelSave(m_model, name, settings);
        checkFileIsModel("SaveSetup");
        // The file must read back as what was written: no name or value may
        // start a line, a section or a key of its own. Only a section name
        // with blanks or control characters at an end reads back without
        // them, as every line of the file does.
        ModelFile written = m_model;
        for (ModelSection &section : written)
            section.name = ModelTrimmed(section.name);
        const ModelFile reread = ParseModel(ReadBytes(m_path));
        FUZZ_CHECK(reread == written, "SaveSetup wrote a file that reads back as sections "
                                          + shown(ModelSectionNames(reread)) + " instead of "
                                          + shown(ModelSectionNames(written)) + "; " + about());
        m_model = reread;
        return true;
    }

    // Names with line breaks, planted where the file's own text has "|"
    // (CR), "~" (LF) or "`" (NUL), and at fixed places, and a name with a
    // blank and a tab around it (which the file can only give back trimmed):
    // whatever SaveSetup accepts must leave every section and key where the
    // rules put them.
    void checkBrokenNames(const QByteArray &sectionName)
    {
        const auto planted = [](QByteArray text) {
            return text.replace('|', '\r').replace('~', '\n').replace('`', '\0');
        };
        const QByteArray fontName = ModelRead(m_model, sectionName, "FTName").value_or("Arial");
        const QList<QByteArray> setupNames = {planted(sectionName), sectionName + "\r\n[Planted]", "\n" + sectionName,
                                              sectionName + '\0' + "x", " " + sectionName + "\t"};
        const QList<QByteArray> fontNames = {planted(fontName), fontName + "\r\nHoVar=99", fontName + '\0'};

        ResetRenderSettings();
        for (const QByteArray &setup : setupNames)
            save(setup, CurrentRenderValues(), [&] { return "planted setup name " + Escaped(setup) + " in " + context(); });
        for (const QByteArray &font : fontNames) {
            ResetRenderSettings();
            try {
                SetupFont->SetName(FromCp1252(font));
            } catch (const LumoError &) {
                continue; // refused at once: nothing can reach the file
            }
            save(sectionName, CurrentRenderValues(), [&] { return "planted font name " + Escaped(font) + " in " + context(); });
        }
    }

    void checkErase(const QByteArray &name)
    {
        // Twice: a name stored twice loses its later section each time, and
        // a missing one leaves the file as it was.
        for (int round = 0; round < 2; ++round) {
            EraseSetup(name, m_path);
            ModelErase(m_model, name);
            checkFileIsModel("EraseSetup");
        }
        EraseSetup("never saved", m_path);
        ModelErase(m_model, "never saved");
        checkFileIsModel("EraseSetup of a missing setup");
    }

    QByteArray m_input;
    QString m_path;
    ModelFile m_model;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 16384)
        return 0;
    Run(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))).All();
    return 0;
}
