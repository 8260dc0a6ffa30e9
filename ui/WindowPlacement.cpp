#include "WindowPlacement.h"

#include "SetupStore.h"

#include <QLayout>
#include <QWidget>
#include <cstring>

namespace {

std::int32_t positionDefault(const char *key)
{
    for (const PositionDefault &entry : PositionDefaults) {
        if (std::strcmp(entry.key, key) == 0)
            return entry.value;
    }
    return 0;
}

} // namespace

std::int32_t StoredPosition(const char *key)
{
    return ReadPosition(key, positionDefault(key));
}

void MoveToStoredPosition(QWidget *window, const char *leftKey, const char *topKey)
{
    window->move(StoredPosition(leftKey), window->y());
    window->move(window->x(), StoredPosition(topKey));
}

void SettleFixedSize(QWidget *window)
{
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->layout()->activate();
}
