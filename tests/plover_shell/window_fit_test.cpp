// The window's size at opening against the screen, and the picture's place
// in a window of any size.
#include <gtest/gtest.h>

#include <array>

#include "plover/shell/window_fit.h"

namespace plover {
namespace {

TEST(WindowFit, TheScaleAskedForOrTheLargestThatFitsTheScreen) {
    const struct {
        int asked, screenWidth, screenHeight, width, height, scale;
    } rows[] = {
        {2, 1600, 1000, 1275, 574, 1},   // 2x would run off the screen
        {2, 2560, 1400, 2550, 1148, 2},
        {4, 3840, 2160, 3825, 1722, 3},
        {3, 1275, 574, 1275, 574, 1},    // exactly 1x
        {1, 1024, 768, 1024, 461, 0},    // too small for 1x: the largest that fits
        {1, 1280, 500, 1110, 500, 0},
        {3, 0, 0, 3825, 1722, 3},        // a screen of unknown size
    };
    for (const auto& r : rows) {
        const WindowOpening o = ChooseWindowOpening(r.asked, r.screenWidth, r.screenHeight);
        EXPECT_EQ(o.Width, r.width) << r.screenWidth << " x " << r.screenHeight;
        EXPECT_EQ(o.Height, r.height) << r.screenWidth << " x " << r.screenHeight;
        EXPECT_EQ(o.Scale, r.scale) << r.screenWidth << " x " << r.screenHeight;
    }
}

TEST(WindowFit, ThePictureTakesTheLargestPlaceWithItsAspectCentred) {
    const struct {
        int windowWidth, windowHeight, x, y, width, height, whole;
    } rows[] = {
        {1275, 574, 0, 0, 1275, 574, 1},
        {2600, 1148, 25, 0, 2550, 1148, 2},     // wider: borders left and right
        {1600, 1000, 0, 140, 1600, 720, 0},     // between 1x and 2x: filtered
        {2560, 1400, 5, 126, 2550, 1148, 2},    // under 2 % above 2x: sharp
        {2620, 1400, 0, 110, 2620, 1179, 0},    // more: filtered
        {1000, 400, 56, 0, 888, 400, 0},        // below 1x
    };
    for (const auto& r : rows) {
        const PicturePlace p = FitPicture(r.windowWidth, r.windowHeight);
        EXPECT_EQ((std::array{p.X, p.Y, p.Width, p.Height, p.Whole}),
                  (std::array{r.x, r.y, r.width, r.height, r.whole}))
            << r.windowWidth << " x " << r.windowHeight;
    }
}

}  // namespace
}  // namespace plover
