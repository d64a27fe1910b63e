// A picture size chosen for a modelling view's renders instead of the view's own size.
#pragma once

namespace kelto {

struct RenderPictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const RenderPictureSize&, const RenderPictureSize&) = default;
};

}  // namespace kelto
