// tavimet-cli ttab PATH [--object ID] [--language N] [--json] [--text]: the tree table of an
// object, read-only (a table stored below version 8 is not upgraded). Names print decoded through
// the language's code page, in JSON too with --text.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "Batch.h"
#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "model/LanguageText.h"
#include "model/StatusText.h"
#include "model/TreeTable.h"

namespace cli {

namespace {

// The tree table of one object file, in the current language; objectId picks the master.
FileOutcome ShowTreeTable(const std::string& path, const int32_t* objectId, int32_t language,
                          bool json, bool text) {
    CObjectSet set;
    int32_t failed = kResErrCannotOpen;
    if (!LoadObjectSet(path, true, set, true, &failed)) return FileOutcome{kExitFailed, failed, {}};
    const CObjectDefinition* master = PickMaster(set, objectId);
    if (!master) return FileOutcome{kExitFailed, kResErrNoChunk, {}};
    if (master->TreeTableId() < 0) {
        Err("tavimet-cli: object %d has no tree table\n", master->Id());
        return FileOutcome{kExitFailed, kResErrNoChunk, {}};
    }
    CTreeTable table(16);
    ClearPlatformFailure();
    if (int32_t e = table.Load(set.ResourceFile(), master->TreeTableId())) {
        Err("tavimet-cli: No Menu Tree Available. TTAB %d: %s\n", master->TreeTableId(),
            StatusText(e).c_str());
        return FileOutcome{kExitFailed, e, {}};
    }
    if (table.WasTruncated())
        Err("tavimet-cli: warning: TTAB %d is short: its body holds %d of its %d "
            "entries; only those %d are shown, and apply refuses to save it unless "
            "given --allow-truncated\n",
            table.Id(), table.Count(), table.StoredCount(), table.Count());
    if (!json) {
        Out("TTAB %d \"%s\" version %d, %d entries", table.Id(), table.Label().Text(),
            table.StoredVersion(), table.Count());
        if (table.WasTruncated()) Out(" (truncated: the table holds %d)", table.StoredCount());
        Out("\n");
        for (int32_t i = 0; i < table.Count(); ++i) {
            const CTreeTableEntry& e = *table.Entry(i);
            Out("%3d \"%s\" action %d guard %d flags 0x%X string %d attenuation %g "
                "autonomy %d motives %d\n",
                i, language_text::Decode({e.name.Text(), e.name.Length()}, language).c_str(),
                e.actionId, e.guardId, e.flags, e.stringIndex,
                double(CTreeTable::EffectiveAttenuation(e)), int32_t(e.autonomyThreshold),
                e.motiveCount);
        }
        return {};
    }
    JsonWriter w;
    w.BeginObject();
    w.Key("id").Int(table.Id());
    w.Key("label").String(table.Label().Text());
    if (table.WasTruncated()) {
        w.Key("truncated").Bool(true);
        w.Key("stored_count").Int(table.StoredCount());
        w.Key("read_count").Int(table.Count());
    }
    w.Key("entries").BeginArray();
    for (const CTreeTableEntry& e : table.Entries()) {
        w.BeginObject();
        const std::string_view name(e.name.Text(), e.name.Length());
        if (text)
            w.Key("name").Unicode(language_text::Decode(name, language));
        else
            w.Key("name").String(name);
        w.Key("action").Int(e.actionId);
        w.Key("guard").Int(e.guardId);
        w.Key("flags").Int(e.flags);
        w.Key("string_index").Int(e.stringIndex);
        w.Key("attenuation_level").Int(e.attenuationLevel);
        w.Key("attenuation_value").Float(e.attenuationValue);
        w.Key("effective_attenuation").Float(CTreeTable::EffectiveAttenuation(e));
        w.Key("autonomy").Int(int32_t(e.autonomyThreshold));
        w.Key("extra").Int(e.extraValue);
        w.Key("motive_count").Int(e.motiveCount);
        w.Key("motives").BeginArray();
        for (const MotiveRecord& m : e.motives) {
            w.BeginObject();
            w.Key("min").Int(m.min);
            w.Key("delta").Int(m.delta);
            w.Key("personality").Int(m.personality);
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.EndArray().EndObject();
    return FileOutcome{kExitOk, 0, w.Text()};
}

} // namespace

void RegisterTtab(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("ttab", "Show the tree table of an object");
    struct TtabOptions {
        BatchOptions batch;
        int32_t objectId = 0;
        int32_t language = 1;
        bool text = false;
    };
    auto o = std::make_shared<TtabOptions>();
    AddBatchOptions(*cmd, o->batch, "object file");
    auto* object =
        cmd->add_option("--object", o->objectId, "OBJD id of the master (default: the first)");
    cmd->add_option("--language", o->language, "language 1..20 (default 1)")
        ->check(CLI::Range(1, kLanguageCount));
    cmd->add_flag("--json", o->batch.json, "print JSON");
    cmd->add_flag("--text", o->text,
                  "names as Unicode text, decoded from the language's code page (with --json)");
    cmd->callback([&status, object, o] {
        SetCurrentLanguage(o->language);
        const int32_t* id = object->count() ? &o->objectId : nullptr;
        status =
            RunFilesCommand(o->batch, [id, o](const std::string& path, const std::string&, bool) {
                return ShowTreeTable(path, id, o->language, o->batch.json, o->text);
            });
    });
}

} // namespace cli
