#include "RenderSettings.h"

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
