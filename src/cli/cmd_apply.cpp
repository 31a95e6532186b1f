// tavimet-cli apply PATH EDITS.json [--object ID] [--language N]: the editor in batch. Every value
// is stored as the editor's change handler for its field stores it; the table is then saved as
// Apply saves it and the file closed as the editor closes it. The whole document is checked
// against the table (opened read-only) before the file is opened for writing.
#include <CLI/CLI.hpp>

#include <cfloat>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "model/EntryEdits.h"
#include "model/TreeTable.h"

namespace cli {

namespace {

struct MotiveEdit {
    std::optional<int32_t> min, max, personality;
};

struct EntryEdit {
    int64_t index = 0;
    std::optional<std::string> name;
    std::optional<uint32_t> flags;
    std::optional<uint32_t> attenuationLevel;
    std::optional<float> attenuationValue;
    std::optional<int32_t> autonomy;
    std::map<int64_t, MotiveEdit> motives; // by motive number, applied in ascending order
};

class UsageError {
public:
    explicit UsageError(std::string m) : message(std::move(m)) {}
    std::string message;
};

int64_t Integer(const nlohmann::json& v, const std::string& what, int64_t lo, int64_t hi) {
    if (!v.is_number_integer()) throw UsageError(what + " must be an integer");
    const int64_t x = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX)
                          ? INT64_MAX
                          : v.get<int64_t>();
    if (x < lo || x > hi) throw UsageError(what + " is out of range");
    return x;
}

void OnlyKeys(const nlohmann::json& object, const std::set<std::string>& allowed,
              const std::string& where) {
    if (!object.is_object()) throw UsageError(where + " must be an object");
    for (const auto& item : object.items())
        if (!allowed.count(item.key()))
            throw UsageError("unknown key \"" + item.key() + "\" in " + where);
}

std::vector<EntryEdit> ParseEdits(const nlohmann::json& doc) {
    OnlyKeys(doc, {"entries"}, "the document");
    if (!doc.contains("entries") || !doc["entries"].is_array())
        throw UsageError("the document needs an \"entries\" array");
    std::vector<EntryEdit> edits;
    for (const auto& item : doc["entries"]) {
        const std::string where = "entry " + std::to_string(edits.size());
        OnlyKeys(item,
                 {"index", "name", "flags", "attenuation_level", "attenuation_value", "autonomy",
                  "motives"},
                 where);
        if (!item.contains("index")) throw UsageError(where + " has no index");
        EntryEdit e;
        e.index = Integer(item["index"], where + ": index", INT64_MIN, INT64_MAX);
        if (item.contains("name")) {
            if (!item["name"].is_string()) throw UsageError(where + ": name must be a string");
            e.name = Json8Decode(item["name"].get<std::string>());
            if (!e.name) throw UsageError(where + ": name holds a character above U+00FF");
        }
        if (item.contains("flags"))
            e.flags = uint32_t(Integer(item["flags"], where + ": flags", INT32_MIN, UINT32_MAX));
        if (item.contains("attenuation_level"))
            e.attenuationLevel = uint32_t(
                Integer(item["attenuation_level"], where + ": attenuation_level", 0, UINT32_MAX));
        if (item.contains("attenuation_value")) {
            if (!item["attenuation_value"].is_number())
                throw UsageError(where + ": attenuation_value must be a number");
            const double v = item["attenuation_value"].get<double>();
            if (!(v >= -FLT_MAX && v <= FLT_MAX))
                throw UsageError(where + ": attenuation_value is out of range");
            e.attenuationValue = float(v);
        }
        if (item.contains("autonomy"))
            e.autonomy =
                int32_t(Integer(item["autonomy"], where + ": autonomy", INT32_MIN, INT32_MAX));
        if (item.contains("motives")) {
            const auto& motives = item["motives"];
            if (!motives.is_object()) throw UsageError(where + ": motives must be an object");
            for (const auto& m : motives.items()) {
                const std::string& key = m.key();
                const std::string mwhere = where + ": motive \"" + key + "\"";
                if (key.empty() || key.size() > 9 ||
                    key.find_first_not_of("0123456789") != std::string::npos)
                    throw UsageError(mwhere + " is not a motive number");
                OnlyKeys(m.value(), {"min", "max", "personality"}, mwhere);
                MotiveEdit& edit = e.motives[std::stoll(key)];
                auto field = [&](const char* name, std::optional<int32_t>& out) {
                    if (m.value().contains(name))
                        out = int32_t(
                            Integer(m.value()[name], mwhere + ": " + name, INT32_MIN, INT32_MAX));
                };
                field("min", edit.min);
                field("max", edit.max);
                field("personality", edit.personality);
            }
        }
        edits.push_back(std::move(e));
    }
    return edits;
}

// Every index and motive number must address the table as it is stored.
void CheckAgainst(const std::vector<EntryEdit>& edits, const CTreeTable& table) {
    for (const EntryEdit& e : edits) {
        if (e.index < 0 || e.index >= table.Count())
            throw UsageError("entry index " + std::to_string(e.index) + " is out of range (" +
                             std::to_string(table.Count()) + " entries)");
        const CTreeTableEntry& entry = *table.Entry(int32_t(e.index));
        for (const auto& [motive, edit] : e.motives)
            if (motive >= int64_t(entry.motives.size()))
                throw UsageError("motive " + std::to_string(motive) + " of entry " +
                                 std::to_string(e.index) + " is out of range");
    }
}

void Apply(const EntryEdit& edit, CTreeTableEntry& e) {
    using namespace entry_edits;
    if (edit.name) StoreName(e, edit.name->c_str());
    if (edit.attenuationLevel) StoreAttenuationLevel(e, *edit.attenuationLevel);
    if (edit.attenuationValue) StoreAttenuationValue(e, *edit.attenuationValue);
    if (edit.autonomy) StoreAutonomy(e, *edit.autonomy);
    if (edit.flags) StoreFlags(e, *edit.flags);
    for (const auto& [motive, m] : edit.motives) {
        MotiveRecord* r = Motive(e, int32_t(motive));
        if (!r) continue; // checked before
        if (m.min) StoreMin(*r, *m.min);
        if (m.max) StoreMax(*r, *m.max);
        if (m.personality) StorePersonality(*r, *m.personality);
    }
}

// Opens the object file and loads the tree table of the chosen master; prints the failure.
// treeId is -1 when the object has none (and the table stays empty).
bool OpenTable(const std::string& path, bool readOnly, const int32_t* objectId, CObjectSet& set,
               CTreeTable& table, int16_t& treeId) {
    if (!LoadObjectSet(path, readOnly, set)) return false;
    const CObjectDefinition* master = PickMaster(set, objectId);
    if (!master) return false;
    treeId = master->TreeTableId() < 0 ? int16_t(-1) : master->TreeTableId();
    if (treeId == -1) return true;
    if (int32_t e = table.Load(set.ResourceFile(), treeId)) {
        std::fprintf(stderr, "tavimet-cli: No Menu Tree Available. (status %d)\n", e);
        return false;
    }
    return true;
}

} // namespace

void RegisterApply(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("apply", "Apply a JSON document of edits to a tree table");
    static std::string path;
    static std::string editsPath;
    static int32_t objectId = 0;
    static int32_t language = 1;
    cmd->add_option("PATH", path, "object file")->required();
    cmd->add_option("EDITS", editsPath, "JSON document of edits")->required();
    auto* object =
        cmd->add_option("--object", objectId, "OBJD id of the master (default: the first)");
    cmd->add_option("--language", language, "language 1..20 (default 1)")
        ->check(CLI::Range(1, kLanguageCount));
    cmd->callback([&status, object] {
        const int32_t* pickId = object->count() ? &objectId : nullptr;
        SetCurrentLanguage(language);
        std::vector<EntryEdit> edits;
        try {
            std::ifstream in(editsPath, std::ios::binary);
            if (!in) throw UsageError("cannot read " + editsPath);
            std::stringstream text;
            text << in.rdbuf();
            const auto doc = nlohmann::json::parse(text.str(), nullptr, false);
            if (doc.is_discarded()) throw UsageError(editsPath + " is not a JSON document");
            edits = ParseEdits(doc);
            // Checked against the table as stored, without changing a byte of the file.
            CObjectSet set;
            CTreeTable table(16);
            int16_t treeId = -1;
            if (!OpenTable(path, true, pickId, set, table, treeId)) {
                status = kExitFailed;
                return;
            }
            CheckAgainst(edits, table);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "tavimet-cli: apply: %s\n", e.message.c_str());
            status = kExitUsage;
            return;
        }

        CObjectSet set;
        CTreeTable table(16);
        int16_t treeId = -1;
        if (!OpenTable(path, false, pickId, set, table, treeId)) {
            status = kExitFailed;
            return;
        }
        for (const EntryEdit& edit : edits)
            if (CTreeTableEntry* e = table.Entry(int32_t(edit.index))) Apply(edit, *e);
        if (treeId != -1) {
            const std::string label = entry_edits::MakeTreeTableLabel(set.ResourceFile(), treeId);
            if (int32_t e = table.Save(label.c_str())) {
                std::fprintf(stderr, "tavimet-cli: Could not save tree table (status %d)\n", e);
                status = kExitFailed;
                set.CloseFile();
                return;
            }
        }
        if (int32_t e = set.CloseFile()) {
            std::fprintf(stderr, "tavimet-cli: closing %s failed (status %d)\n", path.c_str(), e);
            status = kExitFailed;
        }
    });
}

} // namespace cli
