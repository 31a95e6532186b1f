// tavimet-cli chunks PATH [--json]: every chunk of a resource file, read-only.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Batch.h"
#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "model/StatusText.h"
#include "resource/ResourceFile.h"
#include "resource/ResourceKinds.h"

namespace cli {

namespace {

std::string TypeText(uint32_t type) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[size_t(i)] = char((type >> (24 - 8 * i)) & 0xFF);
    return s;
}

struct Row {
    uint32_t type;
    ChunkFacts facts;
};

// Lists the chunks of one file; the JSON document goes into the outcome.
FileOutcome ListChunks(const std::string& path, bool json) {
    FileOutcome outcome;
    std::unique_ptr<CResourceFile> file;
    if (int32_t e = OpenAnyFileReadOnly(path, file)) {
        PrintOpenFailure(path, e, std::nullopt, true);
        return FileOutcome{kExitFailed, e, {}};
    }
    // A damaged file is listed as far as it can be read: the damage is named, not fatal.
    std::optional<ChainBreak> damage = NotedBreak(file.get());
    int32_t unreadable = 0;
    std::vector<Row> rows;
    const int32_t types = file->CountTypes();
    for (int32_t t = 1; t <= types; ++t) {
        const uint32_t type = file->GetTypeAt(t);
        const int32_t count = file->CountChunks(type);
        for (int32_t i = 1; i <= count; ++i) {
            ClearPlatformFailure();
            ChunkFacts facts;
            if (int32_t e = file->DescribeChunkAt(type, i, facts)) {
                Err("tavimet-cli: cannot read chunk %d of type '%s': %s; it is left out\n", i,
                    TypeText(type).c_str(), StatusText(e).c_str());
                unreadable = e;
                continue;
            }
            rows.push_back(Row{type, std::move(facts)});
        }
    }
    // Opened read-only, so closing writes nothing.
    (void)file->Close();
    file.reset();
    if (unreadable || damage) damage = FindDamage(damage, path);
    if (damage)
        Err("tavimet-cli: warning: %s is damaged at offset %d; the list holds what can be read "
            "(see tavimet-cli check)\n",
            damage->path.c_str(), damage->offset);
    // Chunks that cannot be read in a file that is not known to be damaged are a failure.
    if (unreadable && !damage) outcome = FileOutcome{kExitFailed, unreadable, {}};
    if (json) {
        JsonWriter w;
        w.BeginObject().Key("chunks").BeginArray();
        for (const Row& r : rows) {
            w.BeginObject();
            w.Key("type").String(TypeText(r.type));
            w.Key("id").Int(r.facts.id);
            w.Key("variant").Int(r.facts.variant);
            w.Key("label").String(r.facts.label);
            w.Key("size").Int(r.facts.size);
            w.EndObject();
        }
        w.EndArray().EndObject();
        outcome.json = w.Text();
    } else {
        Out("%-6s %7s %7s %10s  %s\n", "TYPE", "ID", "VARIANT", "SIZE", "LABEL");
        for (const Row& r : rows)
            Out("%-6s %7d %7d %10d  %s\n", Json8Quote(TypeText(r.type)).c_str(), r.facts.id,
                r.facts.variant, r.facts.size, Json8Quote(r.facts.label).c_str());
    }
    return outcome;
}

} // namespace

void RegisterChunks(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("chunks", "List every chunk of a resource file");
    auto options = std::make_shared<BatchOptions>();
    AddBatchOptions(*cmd, *options, "resource file (.iff or .spf)");
    cmd->add_flag("--json", options->json, "print JSON");
    cmd->callback([&status, options] {
        const bool json = options->json;
        status = RunFilesCommand(*options, [json](const std::string& path, const std::string&,
                                                  bool) { return ListChunks(path, json); });
    });
}

} // namespace cli
