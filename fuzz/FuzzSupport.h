#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: how a broken invariant is reported, how
// bytes are shown in that report, and a private folder for the files a run
// writes.

// Bytes as a C string literal would spell them, so a report can be pasted
// into a test.
inline QByteArray Escaped(const QByteArray &bytes)
{
    QByteArray shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            shown.append('\\').append(c);
        else if (c == '\r')
            shown.append("\\r");
        else if (c == '\n')
            shown.append("\\n");
        else if (byte >= 32 && byte < 127)
            shown.append(c);
        else
            shown.append(QByteArray("\\x") + QByteArray::number(byte, 16).rightJustified(2, '0'));
    }
    return '"' + shown + '"';
}

// A wrong answer is as much a finding as a crash: libFuzzer keeps the input
// of any abort and stops there.
[[noreturn]] inline void FuzzFail(const char *condition, const char *file, int line, const QByteArray &detail)
{
    std::fprintf(stderr, "\n==== invariant broken at %s:%d: %s\n%s\n", file, line, condition, detail.constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                              \
    do {                                                                                                           \
        if (!(condition))                                                                                          \
            FuzzFail(#condition, __FILE__, __LINE__, (detail));                                                    \
    } while (false)

// A folder of this process for the files a run writes, in memory (/dev/shm)
// so that file round trips cost little; LUMO_FUZZ_TMP names another parent.
// Removed when the process ends normally; scripts/fuzz removes what a crash
// leaves.
inline const QString &ScratchFolder()
{
    static const QTemporaryDir folder = [] {
        const QString parent = qEnvironmentVariable("LUMO_FUZZ_TMP", QStringLiteral("/dev/shm"));
        QTemporaryDir made(parent + QStringLiteral("/lumo-fuzz-XXXXXX"));
        if (!made.isValid()) {
            std::fprintf(stderr, "cannot make a scratch folder under %s\n", qPrintable(parent));
            std::abort();
        }
        return made;
    }();
    static const QString path = folder.path();
    return path;
}

inline QString ScratchFile(const QString &name)
{
    return ScratchFolder() + QLatin1Char('/') + name;
}

// Plain stdio on purpose: the engine's own writers are under test.
inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file || std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file)
                     != static_cast<size_t>(bytes.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    std::fclose(file);
}

inline QByteArray ReadBytes(const QString &path)
{
    QByteArray bytes;
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, static_cast<qsizetype>(got));
    std::fclose(file);
    return bytes;
}
