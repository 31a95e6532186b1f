// tavimet-cli preview: the renderer's picture of an object, written as PNG.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "ModelCommon.h"
#include "model/ObjectDefinitions.h"
#include "platform/DibSection.h"
#include "preview/ObjectPreview.h"
#include "preview/PngFile.h"
#include "resource/ResourceKinds.h"

namespace cli {

namespace {

struct PreviewOptions {
    std::string path;
    std::string out;
    int object = 0;
    bool haveObject = false;
    int view = 9;
    std::string background = "C0C0C0";
    bool grid = false;
};

// RRGGBB as the platform's 0x00BBGGRR; false unless exactly six hex digits.
bool ParseColour(const std::string& text, ColorRef& colour) {
    if (text.size() != 6) return false;
    unsigned value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + unsigned(digit);
    }
    colour = MakeColorRef(std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value));
    return true;
}

int RunPreview(const PreviewOptions& o) {
    ColorRef background = 0;
    ParseColour(o.background, background); // checked while parsing

    // Opened as the editor opens an object file, but read-only: nothing is written.
    std::unique_ptr<CResourceFile> file;
    if (int32_t st = OpenObjectFile(o.path, true, file)) {
        PrintOpenFailure(o.path, st, std::nullopt);
        return kExitFailed;
    }
    CObjectSet objects;
    objects.SetResourceFile(std::move(file));
    objects.LoadDefinitions();
    if (objects.Masters().empty()) {
        std::fprintf(stderr, "tavimet-cli: Invalid Object File: %s\n", o.path.c_str());
        return kExitFailed;
    }
    CObjectDefinition* definition =
        o.haveObject ? objects.FindDefinition(o.object) : objects.Masters().front();
    if (!definition) {
        std::fprintf(stderr, "tavimet-cli: no object definition with id %d in %s\n", o.object,
                     o.path.c_str());
        return kExitFailed;
    }

    bool badToken = false;
    DibPtr picture =
        RenderObjectPreviewNoThrow(*definition, o.view, background, o.grid ? 1 : 0, &badToken);
    if (badToken) {
        std::fprintf(stderr, "tavimet-cli: bad token\n");
        return kExitFailed;
    }
    if (!picture) {
        std::fprintf(stderr, "tavimet-cli: the picture could not be made\n");
        return kExitFailed;
    }
    std::string error;
    if (!WritePng(*picture, o.out, error)) {
        std::fprintf(stderr, "tavimet-cli: %s\n", error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

void RegisterPreview(CLI::App& app, int& status) {
    auto options = std::make_shared<PreviewOptions>();
    auto* cmd = app.add_subcommand("preview", "Render an object's preview picture as PNG");
    cmd->add_option("PATH", options->path, "object file")->required();
    cmd->add_option("-o,--output", options->out, "PNG file to write")->required();
    cmd->add_option_function<int>(
        "--object",
        [options](const int& id) {
            options->object = id;
            options->haveObject = true;
        },
        "OBJD id of the definition to draw (default: the first master)");
    cmd->add_option("--view", options->view,
                    "view selector 0..11: zoom step (0-2) * 4 + rotation (0-3)")
        ->capture_default_str()
        ->check(CLI::Range(0, 11));
    cmd->add_option("--background", options->background, "background colour RRGGBB")
        ->capture_default_str()
        ->check([](const std::string& text) {
            ColorRef c;
            return ParseColour(text, c) ? std::string() : "expected six hex digits RRGGBB";
        });
    cmd->add_flag("--grid", options->grid, "draw the floor grid");
    cmd->callback([options, &status] { status = RunPreview(*options); });
}

} // namespace cli
