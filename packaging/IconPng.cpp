// tavimet_icon_png OUTDIR SIZE...: writes our icon 128 (the program's own XPM) as
// OUTDIR/SIZExSIZE/apps/tavimet.png for each SIZE, the hicolor theme's layout. Each pixel of a
// picture is the average of the icon's pixels under it (weighted by the area covered, colours
// weighted by their opacity), so whole multiples of the icon's size keep its sharp edges.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "resources/EditorResources.h"

// The same PNG encoder as the preview's: stb's, only its writer compiled in.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

// The icon's pixels, rows from the top.
bool DecodeXpm(const ui::IconData& icon, int& width, int& height, std::vector<Rgba>& pixels) {
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
double Overlap(double a0, double a1, double b0, double b1) {
    double lo = a0 > b0 ? a0 : b0, hi = a1 < b1 ? a1 : b1;
    return hi > lo ? hi - lo : 0.0;
}

std::vector<std::uint8_t> Resample(int width, int height, const std::vector<Rgba>& src, int size) {
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

bool WriteRgbaPng(const std::string& path, int size, const std::vector<std::uint8_t>& rgba) {
    return stbi_write_png(path.c_str(), size, size, 4, rgba.data(), size * 4) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tavimet_icon_png OUTDIR SIZE...\n");
        return 2;
    }
    int width = 0, height = 0;
    std::vector<Rgba> pixels;
    if (!DecodeXpm(res::ProgramIcon(), width, height, pixels)) {
        std::fprintf(stderr, "tavimet_icon_png: the program icon is not an XPM this tool reads\n");
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        int size = std::atoi(argv[i]);
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "tavimet_icon_png: bad size %s\n", argv[i]);
            return 2;
        }
        std::string s = std::to_string(size);
        std::filesystem::path dir = std::filesystem::path(argv[1]) / (s + "x" + s) / "apps";
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        std::string path = (dir / "tavimet.png").string();
        if (!WriteRgbaPng(path, size, Resample(width, height, pixels, size))) {
            std::fprintf(stderr, "tavimet_icon_png: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
