// tavimet_icon_png OUTDIR SIZE...: writes our icon 128 (the program's own XPM) as
// OUTDIR/SIZExSIZE/apps/tavimet.png for each SIZE, the hicolor theme's layout. Each pixel of a
// picture is the average of the icon's pixels under it (weighted by the area covered, colours
// weighted by their opacity), so whole multiples of the icon's size keep its sharp edges.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "IconPixels.h"

namespace {

bool WriteRgbaPng(const std::string& path, int size, const std::vector<std::uint8_t>& rgba) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y)
        png_write_row(png, &rgba[static_cast<std::size_t>(y) * size * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
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
