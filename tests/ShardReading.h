#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <optional>
#include <vector>

// A member of a tar shard as libarchive reads it back.
struct ShardMember
{
    QString name;
    QByteArray bytes;
    bool operator==(const ShardMember &) const = default;
};

// The members of a tar file in their order; nothing when the file is not a
// whole archive. Names are read as UTF-8 whatever the locale: under the C
// locale libarchive would refuse a name beyond ASCII. libarchive's reader
// gives them composed (NFC), whatever the shard holds.
inline std::optional<std::vector<ShardMember>> ReadShard(const QString &path)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    const locale_t previous = utf8 ? uselocale(utf8) : nullptr;
    archive *reader = archive_read_new();
    archive_read_support_format_tar(reader);
    std::optional<std::vector<ShardMember>> members;
    if (archive_read_open_filename(reader, QFile::encodeName(path).constData(), 65536) == ARCHIVE_OK) {
        members.emplace();
        archive_entry *entry = nullptr;
        int status = ARCHIVE_OK;
        while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
            const char *name = archive_entry_pathname_utf8(entry);
            ShardMember member{QString::fromUtf8(name ? name : ""), QByteArray()};
            member.bytes.resize(archive_entry_size(entry));
            if (archive_read_data(reader, member.bytes.data(), std::size_t(member.bytes.size())) != member.bytes.size())
                break;
            members->push_back(member);
        }
        if (status != ARCHIVE_EOF)
            members.reset();
    }
    archive_read_free(reader);
    if (utf8) {
        uselocale(previous);
        freelocale(utf8);
    }
    return members;
}
