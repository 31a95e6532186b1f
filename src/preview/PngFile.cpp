#include "preview/PngFile.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/DibSection.h"

RgbImage ToRgbImage(const CDibSection& picture) {
    RgbImage image;
    if (picture.BitsPerPixel() != 24) return image;
    image.width = picture.Width();
    image.height = picture.Height();
    const std::size_t w = std::size_t(image.width);
    image.rgb.resize(w * std::size_t(image.height) * 3);
    for (std::int32_t y = 0; y < image.height; ++y) {
        // Bottom-up section rows, BGR pixels.
        const std::uint8_t* in = picture.Row(image.height - 1 - y);
        std::uint8_t* out = image.rgb.data() + std::size_t(y) * w * 3;
        for (std::size_t x = 0; x < w; ++x) {
            out[3 * x + 0] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x + 0];
        }
    }
    return image;
}

bool WritePng(const CDibSection& picture, const std::string& path, std::string& error) {
    const RgbImage image = ToRgbImage(picture);
    if (image.rgb.empty()) {
        error = "the picture is not a 24-bit bitmap";
        return false;
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        std::remove(path.c_str());
        return false;
    }
    png_image_free(&png);
    return true;
}

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = "cannot read " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image.width = std::int32_t(png.width);
    image.height = std::int32_t(png.height);
    image.rgb.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = "cannot read " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    png_image_free(&png);
    return true;
}
