#pragma once

#include "PictureControl.h"

#include <memory>
#include <vector>

// A picture owner without a window, for lumo-render and the tests: it holds
// the first picture as ImageList's element 0 and the continuation pictures
// of the conversions, and takes them out of ImageList when it goes.
class PictureStack : public PictureOwner
{
public:
    PictureStack();
    ~PictureStack() override;
    PictureStack(const PictureStack &) = delete;
    PictureStack &operator=(const PictureStack &) = delete;

    PictureControl &First() { return m_first; }

    PictureControl *CreatePicture() override;
    void DestroyPicture(PictureControl *picture) override;

private:
    PictureControl m_first;
    std::vector<std::unique_ptr<PictureControl>> m_pages;
};
