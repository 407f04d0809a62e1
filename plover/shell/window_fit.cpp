#include "plover/shell/window_fit.h"

#include <algorithm>

#include "plover/video/screen.h"

namespace plover {

namespace {

// The largest width x height with the framebuffer's aspect inside the area.
void FitAspect(int areaWidth, int areaHeight, int& width, int& height) {
    if (static_cast<long>(areaWidth) * ScreenHeight <= static_cast<long>(areaHeight) * ScreenWidth) {
        width = areaWidth;
        height = static_cast<int>(static_cast<long>(areaWidth) * ScreenHeight / ScreenWidth);
    } else {
        height = areaHeight;
        width = static_cast<int>(static_cast<long>(areaHeight) * ScreenWidth / ScreenHeight);
    }
}

}  // namespace

WindowOpening ChooseWindowOpening(int askedScale, int screenWidth, int screenHeight) {
    const int asked = std::clamp(askedScale, 1, MaxWindowScale);
    if (screenWidth <= 0 || screenHeight <= 0) return {ScreenWidth * asked, ScreenHeight * asked, asked};
    for (int scale = asked; scale >= 1; --scale)
        if (ScreenWidth * scale <= screenWidth && ScreenHeight * scale <= screenHeight)
            return {ScreenWidth * scale, ScreenHeight * scale, scale};
    WindowOpening opening;
    FitAspect(screenWidth, screenHeight, opening.Width, opening.Height);
    return opening;
}

PicturePlace FitPicture(int windowWidth, int windowHeight) {
    PicturePlace place;
    FitAspect(std::max(windowWidth, 1), std::max(windowHeight, 1), place.Width, place.Height);
    const int whole = place.Width / ScreenWidth;
    if (place.Width == ScreenWidth * whole && place.Height == ScreenHeight * whole) place.Whole = whole;
    place.X = (windowWidth - place.Width) / 2;
    place.Y = (windowHeight - place.Height) / 2;
    return place;
}

}  // namespace plover
