// The built-in 8 x 8 text font: 8 bytes per character code, row 0 first,
// bit 7 the leftmost pixel.
#pragma once

#include <array>
#include <cstdint>

namespace plover {

extern const std::array<std::array<uint8_t, 8>, 256> Font8x8;

}  // namespace plover
