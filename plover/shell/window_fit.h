// The sizes of plover's window, without SDL: how large it opens on a screen,
// and where the framebuffer's picture goes inside it at any size.
#pragma once

namespace plover {

// The window as it opens.
struct WindowOpening {
    int Width = 0;
    int Height = 0;
    int Scale = 0;  // the whole multiple of the framebuffer taken; 0 below 1x
};

// The asked scale (1 to MaxWindowScale) when that window fits the screen's
// usable area, else the largest whole scale that does, else (a screen too
// small for 1x) the largest size with the framebuffer's aspect that fits. A
// screen of unknown size (0 x 0) takes the asked scale.
WindowOpening ChooseWindowOpening(int askedScale, int screenWidth, int screenHeight);

// Where the picture goes in a window: the largest size that fits with the
// framebuffer's aspect kept, centred (the rest is border).
struct PicturePlace {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    int Whole = 0;  // the whole scale, each pixel copied exactly; 0: filtered in between
};
PicturePlace FitPicture(int windowWidth, int windowHeight);

}  // namespace plover
