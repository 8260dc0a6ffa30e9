#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// The settings file as its reading and writing rules describe it, kept apart
// from engine/SettingsFile.cpp so that fuzz_settings can compare the two:
// lines end at CR or LF and are trimmed of every byte up to 32; empty lines
// and ";" lines are skipped; "[" name "]" opens a section; lines before the
// first section are dropped; a line splits at its first "=" into a trimmed
// key and value, and a line without "=" is kept as it is. Names match
// without regard to Windows-1252 letter case; the later of two sections of
// one name is the one read, written and erased.

struct ModelLine
{
    QByteArray key;
    QByteArray value;
    bool hasEquals = false;
    bool operator==(const ModelLine &) const = default;
};

struct ModelSection
{
    QByteArray name;
    QList<ModelLine> lines;
    bool operator==(const ModelSection &) const = default;
};

using ModelFile = QList<ModelSection>;

inline QByteArray ModelTrimmed(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.mid(begin, end - begin);
}

// Windows-1252 upper case: a-z, the accented small letters (not the
// division sign), and š, œ, ž, ÿ, which sit elsewhere in the code page.
inline unsigned char ModelUpper(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
    }
}

inline QByteArray ModelUpperText(QByteArray text)
{
    for (char &c : text)
        c = static_cast<char>(ModelUpper(static_cast<unsigned char>(c)));
    return text;
}

inline bool ModelSameName(const QByteArray &a, const QByteArray &b)
{
    return ModelUpperText(a) == ModelUpperText(b);
}

inline ModelFile ParseModel(const QByteArray &bytes)
{
    ModelFile file;
    QByteArray line;
    // One more line end than the text has, so the last line is taken too.
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') {
            line.append(bytes[i]);
            continue;
        }
        const QByteArray text = ModelTrimmed(line);
        line.clear();
        if (text.isEmpty() || text.startsWith(';'))
            continue;
        if (text.startsWith('[') && text.endsWith(']')) {
            file.append(ModelSection{ModelTrimmed(text.mid(1, text.size() - 2)), {}});
            continue;
        }
        if (file.isEmpty())
            continue;
        const qsizetype equals = text.indexOf('=');
        if (equals < 0)
            file.last().lines.append(ModelLine{{}, text, false});
        else
            file.last().lines.append(ModelLine{ModelTrimmed(text.left(equals)), ModelTrimmed(text.mid(equals + 1)), true});
    }
    return file;
}

inline QByteArray SerializeModel(const ModelFile &file)
{
    QByteArray bytes;
    for (const ModelSection &section : file) {
        bytes += '[' + section.name + "]\r\n";
        for (const ModelLine &line : section.lines)
            bytes += (line.hasEquals ? line.key + '=' : QByteArray()) + line.value + "\r\n";
        bytes += "\r\n";
    }
    return bytes;
}

inline QList<QByteArray> ModelSectionNames(const ModelFile &file)
{
    QList<QByteArray> names;
    for (const ModelSection &section : file)
        names.append(section.name);
    return names;
}

// The index of the section that a name means, or -1.
inline qsizetype ModelFind(const ModelFile &file, const QByteArray &name)
{
    for (qsizetype i = file.size() - 1; i >= 0; --i) {
        if (ModelSameName(file[i].name, name))
            return i;
    }
    return -1;
}

inline std::optional<QByteArray> ModelRead(const ModelFile &file, const QByteArray &section, const QByteArray &key)
{
    const qsizetype at = ModelFind(file, section);
    if (at < 0)
        return std::nullopt;
    for (const ModelLine &line : file[at].lines) {
        if (line.hasEquals && ModelSameName(line.key, key))
            return line.value;
    }
    return std::nullopt;
}

// An existing key keeps its place and takes the spelling of this write; a
// new one goes to the end of its section, a new section to the end of the file.
inline void ModelWrite(ModelFile &file, const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    qsizetype at = ModelFind(file, section);
    if (at < 0) {
        file.append(ModelSection{section, {}});
        at = file.size() - 1;
    }
    for (ModelLine &line : file[at].lines) {
        if (line.hasEquals && ModelSameName(line.key, key)) {
            line = ModelLine{key, value, true};
            return;
        }
    }
    file[at].lines.append(ModelLine{key, value, true});
}

inline void ModelErase(ModelFile &file, const QByteArray &section)
{
    const qsizetype at = ModelFind(file, section);
    if (at >= 0)
        file.removeAt(at);
}
