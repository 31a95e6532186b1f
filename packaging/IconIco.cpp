// tavimet_icon_ico FILE: writes our icon 128 (the program's own XPM) as a Windows icon file with
// one 32-bit picture per size the system asks for at the usual scale factors. Built and run on
// the build machine; the Windows build compiles the file into the program.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "IconPixels.h"

namespace {

constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 128};

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, (v >> 16) & 0xFFFF);
}

// One picture: the bitmap header (twice the height: colours, then the mask), the colour rows
// bottom-up in blue, green, red, opacity, and the transparency mask, rows padded to 4 bytes.
std::vector<std::uint8_t> Picture(int size, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> out;
    const unsigned maskStride = ((static_cast<unsigned>(size) + 31) / 32) * 4;
    Put32(out, 40);
    Put32(out, static_cast<unsigned>(size));
    Put32(out, static_cast<unsigned>(size) * 2);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0); // uncompressed
    Put32(out, static_cast<unsigned>(size * size * 4) + maskStride * static_cast<unsigned>(size));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x)
            if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavimet_icon_ico FILE\n");
        return 2;
    }
    int width = 0, height = 0;
    std::vector<icon_pixels::Rgba> pixels;
    if (!icon_pixels::DecodeXpm(res::ProgramIcon(), width, height, pixels)) {
        std::fprintf(stderr, "tavimet_icon_ico: the program icon is not an XPM this tool reads\n");
        return 1;
    }
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int size : kSizes)
        pictures.push_back(Picture(size, icon_pixels::Resample(width, height, pixels, size)));
    std::vector<std::uint8_t> file;
    Put16(file, 0);
    Put16(file, 1); // an icon, not a cursor
    Put16(file, static_cast<unsigned>(pictures.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const int size = kSizes[i];
        file.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        file.push_back(static_cast<std::uint8_t>(size >= 256 ? 0 : size));
        file.push_back(0); // no palette
        file.push_back(0);
        Put16(file, 1);  // planes
        Put16(file, 32); // bits per pixel
        Put32(file, static_cast<unsigned>(pictures[i].size()));
        Put32(file, offset);
        offset += static_cast<unsigned>(pictures[i].size());
    }
    for (const auto& p : pictures)
        file.insert(file.end(), p.begin(), p.end());
    std::FILE* f = std::fopen(argv[1], "wb");
    bool ok = f && std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "tavimet_icon_ico: cannot write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
