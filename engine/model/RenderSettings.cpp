#include "RenderSettings.h"

#include "SetupStore.h"

std::shared_ptr<FontObject> SetupFont = std::make_shared<FontObject>();
Colour BGColor = clWhite;
std::int32_t HoVar = 0;
std::int32_t VeVar = 0;
std::int32_t Rausch = 0;
std::vector<PictureControl *> ImageList;

void ResetRenderSettings()
{
    SetupFont = std::make_shared<FontObject>();
    BGColor = clWhite;
    HoVar = 0;
    VeVar = 0;
    Rausch = 0;
}

RenderValues CurrentRenderValues()
{
    RenderValues values;
    values.font = *SetupFont;
    values.background = BGColor;
    values.hoVar = HoVar;
    values.veVar = VeVar;
    values.rausch = Rausch;
    return values;
}

void SetRenderValues(const RenderValues &values)
{
    BGColor = values.background;
    SetupFont->Assign(values.font);
    HoVar = values.hoVar;
    VeVar = values.veVar;
    Rausch = values.rausch;
}

void SaveSetup(const QByteArray &name, const QString &path)
{
    WriteSetup(name, CurrentRenderValues(), path);
}

void LoadSetup(const QByteArray &name, const QString &path)
{
    RenderValues values = CurrentRenderValues();
    try {
        ReadSetup(name, values, path);
    } catch (...) {
        // What was read before the faulty key takes effect all the same.
        SetRenderValues(values);
        throw;
    }
    SetRenderValues(values);
}
