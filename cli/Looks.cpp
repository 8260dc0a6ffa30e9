#include "Looks.h"

#include "LumoRandom.h"

#include <algorithm>
#include <utility>

namespace {

struct Entry
{
    const char *name;
    NamedLook look;
};

// CharacterLook: rotate, scale %, baseline drift, ink fade %.
// PageLook: rotate, warp, ink weight, paper, blur, sensor noise.
const Entry looks[] = {
    {"clean", {{}, {}}},
    // A good laser print: faint unevenness of the type, paper, a soft edge.
    {"print", {{0.7, 2, 0.6, 40}, {0, 0, 0, true, 0.8, 3.5, nullptr}}},
    // The print on a flatbed scanner: a little crooked, not quite flat, noisier.
    {"scan", {{0.8, 2.5, 0.8, 30}, {1.2, 2, 0, true, 0.8, 5, nullptr}}},
    // A copy of a copy: ink spread, crooked, grainy.
    {"photocopy", {{0.8, 2, 0.8, 5}, {1.5, 2, 1, true, 0.9, 8, nullptr}}},
    // Worn type on old paper: uneven, faded, thinned strokes, bent pages.
    {"worn", {{2.5, 7, 1.5, 60}, {2, 3, 0, true, 0.9, 7, nullptr}}},
};

} // namespace

std::optional<NamedLook> LookNamed(const QString &name)
{
    for (const Entry &entry : looks) {
        if (name == QLatin1StringView(entry.name))
            return entry.look;
    }
    return std::nullopt;
}

std::size_t ChosenFont(std::uint32_t seed, std::size_t count)
{
    constexpr std::uint32_t fontChannel = 301;
    const double share = (LookRandom(seed, 0, fontChannel) + 1) / 2;
    return std::min(static_cast<std::size_t>(share * static_cast<double>(count)), count - 1);
}

QStringList LookNames()
{
    QStringList names;
    for (const Entry &entry : looks)
        names.append(QString::fromLatin1(entry.name));
    return names;
}
