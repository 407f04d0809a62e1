// Decoding of kestrel's embedded pictures.
#include "kestrel/pictures/pictures.h"

#include <png.h>

#include <cstring>

namespace kestrel {

namespace embedded {
extern const unsigned char kEmbeddedBoardPng[];
extern const std::size_t kEmbeddedBoardPngSize;
extern const unsigned char kEmbeddedKeypadPng[];
extern const std::size_t kEmbeddedKeypadPngSize;
extern const unsigned char kEmbeddedToneLampPng[];
extern const std::size_t kEmbeddedToneLampPngSize;
extern const unsigned char kEmbeddedHaltLampPng[];
extern const std::size_t kEmbeddedHaltLampPngSize;
extern const unsigned char kEmbeddedSegmentBmps[];
extern const std::size_t kEmbeddedSegmentBmpsSize;
}  // namespace embedded

EmbeddedBytes EmbeddedBoardPng() { return {embedded::kEmbeddedBoardPng, embedded::kEmbeddedBoardPngSize}; }
EmbeddedBytes EmbeddedKeypadPng() { return {embedded::kEmbeddedKeypadPng, embedded::kEmbeddedKeypadPngSize}; }
EmbeddedBytes EmbeddedToneLampPng() {
    return {embedded::kEmbeddedToneLampPng, embedded::kEmbeddedToneLampPngSize};
}
EmbeddedBytes EmbeddedHaltLampPng() {
    return {embedded::kEmbeddedHaltLampPng, embedded::kEmbeddedHaltLampPngSize};
}
EmbeddedBytes EmbeddedSegmentBmps() {
    return {embedded::kEmbeddedSegmentBmps, embedded::kEmbeddedSegmentBmpsSize};
}

namespace {

// Pictures larger than this are refused before any allocation.
constexpr uint32_t kMaxSide = 4096;

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

RgbImage Decoded(EmbeddedBytes bytes, bool png) {
    RgbImage image;
    if (png) DecodePng(bytes.Data, bytes.Size, image);
    else DecodeBmp24(bytes.Data, bytes.Size, image);
    return image;
}

}  // namespace

bool DecodePng(const unsigned char* data, size_t size, RgbImage& out) {
    out = RgbImage{};
    if (data == nullptr || size == 0) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return false;
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    RgbImage decoded;
    decoded.Resize(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, decoded.Pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out = std::move(decoded);
    return true;
}

bool DecodeBmp24(const unsigned char* data, size_t size, RgbImage& out) {
    out = RgbImage{};
    if (data == nullptr || size < 54 || data[0] != 'B' || data[1] != 'M') return false;
    uint32_t offset = Le32(data + 10);
    uint32_t headerSize = Le32(data + 14);
    int32_t width = static_cast<int32_t>(Le32(data + 18));
    int32_t height = static_cast<int32_t>(Le32(data + 22));
    uint16_t bits = Le16(data + 28);
    uint32_t compression = Le32(data + 30);
    if (headerSize < 40 || bits != 24 || compression != 0) return false;
    bool topDown = height < 0;
    uint32_t rows = topDown ? static_cast<uint32_t>(-static_cast<int64_t>(height)) : static_cast<uint32_t>(height);
    if (width <= 0 || static_cast<uint32_t>(width) > kMaxSide || rows == 0 || rows > kMaxSide) return false;
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    if (offset > size || size - offset < stride * rows) return false;
    RgbImage decoded;
    decoded.Resize(width, static_cast<int>(rows));
    for (uint32_t r = 0; r < rows; ++r) {
        const unsigned char* src = data + offset + stride * (topDown ? r : rows - 1 - r);
        uint8_t* dst = decoded.At(0, static_cast<int>(r));
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    out = std::move(decoded);
    return true;
}

DisplayPictures DecodeDisplayPictures() {
    DisplayPictures pictures;
    pictures.Board = Decoded(EmbeddedBoardPng(), true);
    pictures.ToneLamp = Decoded(EmbeddedToneLampPng(), true);
    pictures.HaltLamp = Decoded(EmbeddedHaltLampPng(), true);
    EmbeddedBytes segments = EmbeddedSegmentBmps();
    for (size_t bit = 0; bit < 8; ++bit) {
        size_t start = bit * kSegmentBmpStride;
        if (start + kSegmentBmpStride > segments.Size) break;
        DecodeBmp24(segments.Data + start, kSegmentBmpStride, pictures.Segments[bit]);
    }
    return pictures;
}

RgbImage DecodeKeypadPicture() { return Decoded(EmbeddedKeypadPng(), true); }

}  // namespace kestrel
