// Our icon 128 (the program's own XPM) as pixels, and resampled to other sizes, for the tools
// that write it in the formats desktops read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "resources/EditorResources.h"

namespace icon_pixels {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

// The icon's pixels, rows from the top.
inline bool DecodeXpm(const ui::IconData& icon, int& width, int& height,
                      std::vector<Rgba>& pixels) {
    int colours = 0, perPixel = 0;
    if (icon.xpm.empty() ||
        std::sscanf(icon.xpm[0], "%d %d %d %d", &width, &height, &colours, &perPixel) != 4)
        return false;
    if (width <= 0 || height <= 0 || perPixel <= 0 ||
        icon.xpm.size() < static_cast<std::size_t>(1 + colours + height))
        return false;
    std::map<std::string, Rgba> table;
    for (int i = 0; i < colours; ++i) {
        std::string line = icon.xpm[1 + i];
        std::string key = line.substr(0, perPixel);
        std::size_t c = line.find(" c ", perPixel);
        if (c == std::string::npos) return false;
        std::string value = line.substr(c + 3);
        Rgba colour;
        if (value.size() == 7 && value[0] == '#') {
            unsigned long v = std::strtoul(value.c_str() + 1, nullptr, 16);
            colour = {double((v >> 16) & 0xFF), double((v >> 8) & 0xFF), double(v & 0xFF), 255.0};
        } else if (value != "None") {
            return false;
        }
        table[key] = colour;
    }
    pixels.assign(static_cast<std::size_t>(width) * height, Rgba{});
    for (int y = 0; y < height; ++y) {
        std::string row = icon.xpm[1 + colours + y];
        if (row.size() < static_cast<std::size_t>(width * perPixel)) return false;
        for (int x = 0; x < width; ++x) {
            auto it = table.find(row.substr(static_cast<std::size_t>(x) * perPixel, perPixel));
            if (it == table.end()) return false;
            pixels[static_cast<std::size_t>(y) * width + x] = it->second;
        }
    }
    return true;
}

// Length of the overlap of [a0, a1) and [b0, b1).
inline double Overlap(double a0, double a1, double b0, double b1) {
    double lo = a0 > b0 ? a0 : b0, hi = a1 < b1 ? a1 : b1;
    return hi > lo ? hi - lo : 0.0;
}

// Rows from the top, 4 bytes a pixel: red, green, blue, opacity.
inline std::vector<std::uint8_t> Resample(int width, int height, const std::vector<Rgba>& src,
                                          int size) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * size * 4);
    const double sx = double(width) / size, sy = double(height) / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double x0 = x * sx, x1 = (x + 1) * sx, y0 = y * sy, y1 = (y + 1) * sy;
            Rgba sum;
            double area = 0;
            for (int j = int(y0); j < height && j < y1; ++j) {
                double wy = Overlap(y0, y1, j, j + 1);
                for (int i = int(x0); i < width && i < x1; ++i) {
                    double w = wy * Overlap(x0, x1, i, i + 1);
                    const Rgba& p = src[static_cast<std::size_t>(j) * width + i];
                    double wa = w * p.a / 255.0;
                    sum.r += p.r * wa;
                    sum.g += p.g * wa;
                    sum.b += p.b * wa;
                    sum.a += wa;
                    area += w;
                }
            }
            std::uint8_t* o = &out[(static_cast<std::size_t>(y) * size + x) * 4];
            if (sum.a > 0) {
                o[0] = std::uint8_t(sum.r / sum.a + 0.5);
                o[1] = std::uint8_t(sum.g / sum.a + 0.5);
                o[2] = std::uint8_t(sum.b / sum.a + 0.5);
            }
            o[3] = std::uint8_t(255.0 * sum.a / area + 0.5);
        }
    }
    return out;
}

} // namespace icon_pixels
