// kestrel's embedded pictures and their decoders.
//
// The pictures are drawn by kestrel_picture_generator when the program is
// built and carried as byte arrays; nothing is read from disk. Decoding
// failures are not errors: the picture stays empty and its drawing is skipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestrel/board/display.h"

namespace kestrel {

struct EmbeddedBytes {
    const unsigned char* Data;
    size_t Size;
};

EmbeddedBytes EmbeddedBoardPng();      // 460 x 438
EmbeddedBytes EmbeddedKeypadPng();     // 460 x 222
EmbeddedBytes EmbeddedToneLampPng();   // 12 x 11
EmbeddedBytes EmbeddedHaltLampPng();   // 12 x 11
EmbeddedBytes EmbeddedSegmentBmps();   // eight 26 x 37 BMPs, one every kSegmentBmpStride bytes

inline constexpr size_t kSegmentBmpStride = 3014;

// Decodes a PNG (any colour type libpng can convert) into 8-bit RGB. Returns
// false and leaves `out` empty when the bytes are not a readable PNG.
bool DecodePng(const unsigned char* data, size_t size, RgbImage& out);

// Decodes an uncompressed 24-bit BMP (bottom-up or top-down). Returns false
// and leaves `out` empty for anything else, including truncated data.
bool DecodeBmp24(const unsigned char* data, size_t size, RgbImage& out);

// The board, the two lamps and the eight segment pictures, decoded.
DisplayPictures DecodeDisplayPictures();

// The keypad picture, decoded.
RgbImage DecodeKeypadPicture();

}  // namespace kestrel
