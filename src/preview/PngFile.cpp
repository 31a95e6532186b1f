#include "preview/PngFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/DibSection.h"

// stb's encoder and decoder, the same code on every platform, so that a picture is stored as the
// same bytes wherever it is written. Only PNG is compiled in.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

struct ImageFree {
    void operator()(unsigned char* p) const noexcept { stbi_image_free(p); }
};

struct Output {
    std::FILE* file;
    bool failed = false;
    int error = 0;
};

void WriteOut(void* context, void* data, int size) {
    auto* out = static_cast<Output*>(context);
    if (out->failed || size <= 0) return;
    if (std::fwrite(data, 1, std::size_t(size), out->file) != std::size_t(size)) {
        out->failed = true;
        out->error = errno;
    }
}

std::string Cause(int error) {
    return error ? std::strerror(error) : "write failed";
}

} // namespace

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
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot write " + path + ": " + Cause(errno);
        return false;
    }
    Output out{file.get()};
    const bool encoded = stbi_write_png_to_func(WriteOut, &out, image.width, image.height, 3,
                                                image.rgb.data(), image.width * 3) != 0;
    errno = 0;
    const bool flushed = !out.failed && std::fflush(file.get()) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!encoded || out.failed || !flushed || !closed) {
        error = "cannot write " + path + ": " +
                (!encoded ? std::string("the picture could not be encoded")
                          : Cause(out.failed   ? out.error
                                  : flushError ? flushError
                                               : errno));
        std::remove(path.c_str());
        return false;
    }
    return true;
}

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot read " + path + ": " + Cause(errno);
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    if (std::ferror(file.get()) || bytes.size() > std::size_t(INT32_MAX)) {
        error = "cannot read " + path;
        return false;
    }
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char, ImageFree> pixels(
        stbi_load_from_memory(bytes.data(), int(bytes.size()), &width, &height, &channels, 3));
    if (!pixels) {
        error = "cannot read " + path + ": " + stbi_failure_reason();
        return false;
    }
    image.width = width;
    image.height = height;
    image.rgb.assign(pixels.get(), pixels.get() + std::size_t(width) * std::size_t(height) * 3);
    return true;
}
