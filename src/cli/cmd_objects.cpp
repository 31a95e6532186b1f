// tavimet-cli objects PATH [--json]: the object definitions of an object file, read-only.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Batch.h"
#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"

namespace cli {

namespace {

FileOutcome ListObjects(const std::string& path, bool json) {
    CObjectSet set;
    int32_t failed = kResErrCannotOpen;
    if (!LoadObjectSet(path, true, set, true, &failed)) return FileOutcome{kExitFailed, failed, {}};
    FileOutcome outcome;
    if (!json) {
        for (const auto& d : set.Definitions()) {
            Out("OBJD %d \"%s\" version %u %s tree table %d master id %d sub-index %d", d->Id(),
                d->Name().Text(), d->Version(), d->IsMaster() ? "master" : "part", d->TreeTableId(),
                d->MasterId(), d->SubIndex());
            if (!d->Parts().empty()) {
                Out(" parts");
                for (const CObjectDefinition* p : d->Parts())
                    Out(" %d", p->Id());
            }
            Out("\n");
        }
        return outcome;
    }
    JsonWriter w;
    w.BeginObject().Key("objects").BeginArray();
    for (const auto& d : set.Definitions()) {
        w.BeginObject();
        w.Key("id").Int(d->Id());
        w.Key("name").String(d->Name().Text());
        w.Key("version").Int(d->Version());
        w.Key("master_index").Int(d->MasterIndex());
        w.Key("master_id").Int(d->MasterId());
        w.Key("sub_index").Int(d->SubIndex());
        w.Key("tree_table_id").Int(d->TreeTableId());
        w.Key("base_graphic_id").Int(d->BaseGraphicId());
        w.Key("graphic_count").Int(d->GraphicCount());
        w.Key("parts").BeginArray();
        for (const CObjectDefinition* p : d->Parts())
            w.Int(p->Id());
        w.EndArray();
        w.EndObject();
    }
    w.EndArray().EndObject();
    outcome.json = w.Text();
    return outcome;
}

} // namespace

void RegisterObjects(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("objects", "List the object definitions of an object file");
    auto options = std::make_shared<BatchOptions>();
    AddBatchOptions(*cmd, *options, "object file");
    cmd->add_flag("--json", options->json, "print JSON");
    cmd->callback([&status, options] {
        const bool json = options->json;
        status = RunFilesCommand(*options, [json](const std::string& path, const std::string&,
                                                  bool) { return ListObjects(path, json); });
    });
}

} // namespace cli
