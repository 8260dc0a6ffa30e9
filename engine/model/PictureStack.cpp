#include "PictureStack.h"

#include "RenderSettings.h"

#include <algorithm>

PictureStack::PictureStack()
{
    ImageList.clear();
    ImageList.push_back(&m_first);
}

PictureStack::~PictureStack()
{
    ImageList.clear();
}

PictureControl *PictureStack::CreatePicture()
{
    m_pages.push_back(std::make_unique<PictureControl>());
    return m_pages.back().get();
}

void PictureStack::DestroyPicture(PictureControl *picture)
{
    std::erase_if(m_pages, [picture](const auto &page) { return page.get() == picture; });
}
