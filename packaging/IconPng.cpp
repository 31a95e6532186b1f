// tavimet_icon_png OUTDIR SIZE...: writes our icon 128 (the program's own XPM) as
// OUTDIR/SIZExSIZE/apps/tavimet.png for each SIZE, the hicolor theme's layout. Each pixel of a
// picture is the average of the icon's pixels under it (weighted by the area covered, colours
// weighted by their opacity), so whole multiples of the icon's size keep its sharp edges.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "IconPixels.h"

// The same PNG encoder as the preview's: stb's, only its writer compiled in.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace {

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
    std::vector<icon_pixels::Rgba> pixels;
    if (!icon_pixels::DecodeXpm(res::ProgramIcon(), width, height, pixels)) {
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
        if (!WriteRgbaPng(path, size, icon_pixels::Resample(width, height, pixels, size))) {
            std::fprintf(stderr, "tavimet_icon_png: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
