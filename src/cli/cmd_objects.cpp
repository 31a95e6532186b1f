// tavimet-cli objects PATH [--json]: the object definitions of an object file, read-only.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"

namespace cli {

void RegisterObjects(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("objects", "List the object definitions of an object file");
    static std::string path;
    static bool json = false;
    cmd->add_option("PATH", path, "object file")->required();
    cmd->add_flag("--json", json, "print JSON");
    cmd->callback([&status] {
        CObjectSet set;
        if (!LoadObjectSet(path, true, set)) {
            status = kExitFailed;
            return;
        }
        if (!json) {
            for (const auto& d : set.Definitions()) {
                std::printf("OBJD %d \"%s\" version %u %s tree table %d master id %d sub-index %d",
                            d->Id(), d->Name().Text(), d->Version(),
                            d->IsMaster() ? "master" : "part", d->TreeTableId(), d->MasterId(),
                            d->SubIndex());
                if (!d->Parts().empty()) {
                    std::printf(" parts");
                    for (const CObjectDefinition* p : d->Parts())
                        std::printf(" %d", p->Id());
                }
                std::printf("\n");
            }
            return;
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
        std::printf("%s\n", w.Text().c_str());
    });
}

} // namespace cli
