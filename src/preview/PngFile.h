// PNG files of pictures: 8-bit RGB, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CDibSection;

// Writes a 24-bit section. On failure no file is left at path and error says why.
bool WritePng(const CDibSection& picture, const std::string& path, std::string& error);

// An RGB picture, rows from the top, 3 bytes a pixel with no padding.
struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// The section's pixels as RGB from the top row down (24-bit sections only; else empty).
RgbImage ToRgbImage(const CDibSection& picture);

// Reads any PNG as 8-bit RGB.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);
