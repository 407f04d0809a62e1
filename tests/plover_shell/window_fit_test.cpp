// The window's size at opening against the screen (the picture's place in a
// resized window: sdl_host_test.cpp).
#include <gtest/gtest.h>

#include <array>

#include "plover/shell/window_fit.h"

namespace plover {
namespace {

TEST(WindowFit, TheScaleAskedForOrTheLargestThatFitsTheScreen) {
    // asked scale, screen width and height: window width, height and scale
    const std::array<int, 6> openings[] = {
        {2, 1600, 1000, 1275, 574, 1}, {4, 3840, 2160, 3825, 1722, 3},
        {1, 1024, 768, 1024, 461, 0},  // too small for 1x: the largest that fits
        {3, 0, 0, 3825, 1722, 3},      // a screen of unknown size
    };
    for (const auto& r : openings) {
        const WindowOpening o = ChooseWindowOpening(r[0], r[1], r[2]);
        EXPECT_EQ((std::array{o.Width, o.Height, o.Scale}), (std::array{r[3], r[4], r[5]})) << r[1] << "x" << r[2];
    }
}

}  // namespace
}  // namespace plover
