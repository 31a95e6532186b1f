// tavimet-cli apply PATH EDITS.json [--object ID] [--language N] [--text]: the editor in batch.
// Every value is stored as the editor's change handler for its field stores it; the table is then
// saved as Apply saves it and the file closed as the editor closes it. The whole document is
// checked against the table (opened read-only) before the file is opened for writing. With
// --text, names are Unicode text, encoded into the code page of the language edited.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "TableEdits.h"
#include "model/EntryEdits.h"
#include "model/LanguageText.h"
#include "model/Languages.h"
#include "model/StatusText.h"
#include "model/TreeTable.h"
#include "resource/ResourceSet.h"

namespace cli {

namespace {

int64_t Integer(const nlohmann::json& v, const std::string& what, int64_t lo, int64_t hi) {
    if (!v.is_number_integer()) throw UsageError(what + " must be an integer");
    const int64_t x = v.is_number_unsigned() && v.get<uint64_t>() > uint64_t(INT64_MAX)
                          ? INT64_MAX
                          : v.get<int64_t>();
    if (x < lo || x > hi) throw UsageError(what + " is out of range");
    return x;
}

void OnlyKeys(const nlohmann::json& object, std::initializer_list<std::string_view> allowed,
              const std::string& where) {
    if (!object.is_object()) throw UsageError(where + " must be an object");
    for (const auto& item : object.items())
        if (std::find(allowed.begin(), allowed.end(), item.key()) == allowed.end())
            throw UsageError("unknown key \"" + item.key() + "\" in " + where);
}

// One element of the "entries" array, the position-th.
EntryEdit ParseEntry(const nlohmann::json& item, size_t position, bool text) {
    const std::string where = "entry " + std::to_string(position);
    OnlyKeys(
        item,
        {"index", "name", "flags", "attenuation_level", "attenuation_value", "autonomy", "motives"},
        where);
    if (!item.contains("index")) throw UsageError(where + " has no index");
    EntryEdit e;
    e.index = Integer(item["index"], where + ": index", INT64_MIN, INT64_MAX);
    if (item.contains("name")) {
        if (!item["name"].is_string()) throw UsageError(where + ": name must be a string");
        if (text) {
            e.nameText.reset(
                new EntryEdit::NameText{item["name"].get<std::string>(),
                                        where + " (index " + std::to_string(e.index) + "): name"});
        } else {
            std::optional<std::string> name = Json8Decode(item["name"].get<std::string>());
            if (!name) throw UsageError(where + ": name holds a character above U+00FF");
            e.name = std::make_unique<std::string>(std::move(*name));
        }
    }
    if (item.contains("flags"))
        e.flags = uint32_t(Integer(item["flags"], where + ": flags", INT32_MIN, UINT32_MAX));
    if (item.contains("attenuation_level"))
        e.attenuationLevel = uint32_t(
            Integer(item["attenuation_level"], where + ": attenuation_level", 0, UINT32_MAX));
    if (item.contains("attenuation_value")) {
        const nlohmann::json& v = item["attenuation_value"];
        if (!v.is_number() && !v.is_string())
            throw UsageError(where + ": attenuation_value must be a number, \"nan\", \"inf\", "
                                     "\"-inf\" or \"nan:0x\" and eight hex digits");
        e.attenuationValue = FloatFromJson(v);
        if (!e.attenuationValue)
            throw UsageError(where + (v.is_number()
                                          ? ": attenuation_value is out of range"
                                          : ": attenuation_value is not \"nan\", \"inf\", "
                                            "\"-inf\" or \"nan:0x\" and the eight hex "
                                            "digits of a NaN"));
    }
    if (item.contains("autonomy"))
        e.autonomy = int32_t(Integer(item["autonomy"], where + ": autonomy", INT32_MIN, INT32_MAX));
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
            MotiveEdit& edit = e.Motive(std::stoll(key));
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
    return e;
}

// Reads an edits document as it streams in: each element of "entries" is taken as a small
// tree of its own and turned into an edit at once, so the document is never held whole. The
// messages and their precedence are those of checking the whole tree: a document that is not
// JSON, then the top level (not an object, its first unknown key, no "entries" array), then the
// first bad entry.
class EditsReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit EditsReader(bool text) : m_text(text) {}

    // Throws UsageError as checking the whole document would.
    EntryEdits Take(const std::string& path) {
        if (m_broken) throw UsageError(path + " is not a JSON document");
        if (!m_rootObject) throw UsageError("the document must be an object");
        if (m_unknownKey) throw UsageError("unknown key \"" + *m_unknownKey + "\" in the document");
        if (!m_entriesArray) throw UsageError("the document needs an \"entries\" array");
        if (m_firstError) throw UsageError(*m_firstError);
        return std::move(m_edits);
    }

    bool null() override { return Value(nullptr); }
    bool boolean(bool v) override { return Value(v); }
    bool number_integer(number_integer_t v) override { return Value(v); }
    bool number_unsigned(number_unsigned_t v) override { return Value(v); }
    bool number_float(number_float_t v, const string_t&) override { return Value(v); }
    bool string(string_t& v) override { return Value(std::move(v)); }
    bool binary(binary_t& v) override { return Value(nlohmann::json::binary(std::move(v))); }
    bool start_object(std::size_t) override { return Open(nlohmann::json::object()); }
    bool start_array(std::size_t) override { return Open(nlohmann::json::array()); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& k) override {
        if (m_depth == 1) {
            // A key given twice counts once, with its last value, as in a parsed tree.
            m_rootKey = k;
            if (k != "entries") {
                if (!m_unknownKey || k < *m_unknownKey) m_unknownKey = k;
            } else {
                m_entriesArray = false;
                m_edits.clear();
                m_firstError.reset();
            }
        } else if (!m_open.empty()) {
            m_key = std::move(k);
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        m_broken = true;
        return false;
    }

private:
    bool InEntries() const { return m_depth >= 2 && m_entriesLevel; }
    // Where a value goes inside the element being read; nullptr for the element itself.
    nlohmann::json* Place(nlohmann::json v) {
        nlohmann::json* parent = m_open.back();
        if (parent->is_object()) return &((*parent)[m_key] = std::move(v));
        parent->push_back(std::move(v));
        return &parent->back();
    }
    bool Value(nlohmann::json v) {
        if (m_depth == 0) return true; // a scalar document: not an object
        if (m_depth == 1) {
            if (m_rootKey == "entries") m_entriesArray = false;
            return true;
        }
        if (!InEntries()) return true;
        if (m_open.empty()) {
            Entry(v);
        } else {
            Place(std::move(v));
        }
        return true;
    }
    bool Open(nlohmann::json container) {
        ++m_depth;
        if (m_depth == 1) {
            m_rootObject = container.is_object();
            return true;
        }
        if (m_depth == 2) {
            if (m_rootObject && m_rootKey == "entries") {
                m_entriesArray = container.is_array();
                m_entriesLevel = m_entriesArray;
            }
            return true;
        }
        if (!InEntries()) return true;
        if (m_open.empty()) {
            m_element = std::move(container);
            m_open.push_back(&m_element);
        } else {
            m_open.push_back(Place(std::move(container)));
        }
        return true;
    }
    bool Close() {
        if (InEntries() && m_depth >= 3) {
            m_open.pop_back();
            if (m_open.empty()) {
                Entry(m_element);
                m_element = nullptr;
            }
        } else if (m_depth == 2) {
            m_entriesLevel = false;
        }
        --m_depth;
        return true;
    }
    void Entry(const nlohmann::json& item) {
        // Checking stops at the first bad entry, as it would in a tree.
        if (m_firstError) return;
        try {
            m_edits.push_back(ParseEntry(item, m_edits.size(), m_text));
        } catch (const UsageError& e) {
            m_firstError = e.message;
        }
    }

    bool m_text;
    int m_depth = 0;
    bool m_broken = false;
    bool m_rootObject = false;
    bool m_entriesArray = false;
    bool m_entriesLevel = false; // inside the array of the current "entries" key
    std::string m_rootKey;
    std::optional<std::string> m_unknownKey; // the first in byte order
    std::optional<std::string> m_firstError;
    nlohmann::json m_element;
    std::vector<nlohmann::json*> m_open; // the element's containers being read
    std::string m_key;
    EntryEdits m_edits;
};

// Every index and motive number must address the table as it is stored.
void CheckAgainst(const EntryEdits& edits, const CTreeTable& table) {
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

// "TTAB 128 is short: its body holds 9 of its 10 entries"
std::string ShortTable(const CTreeTable& table) {
    return "TTAB " + std::to_string(table.Id()) + " is short: its body holds " +
           std::to_string(table.Count()) + " of its " + std::to_string(table.StoredCount()) +
           " entries";
}

// What a failed save had put on disk before it stopped.
const char* SavedPart(const CTreeTable::SaveProgress& saved) {
    if (saved.table && saved.names) return "the table and its names were saved";
    if (saved.table) return "the table was saved, its names were not";
    if (saved.names) return "its names were saved, the table was not";
    return "nothing was saved";
}

// The names of the files of an open object (or the path when it has no members).
std::vector<std::string> MemberFiles(CResourceFile* file, const std::string& path) {
    std::vector<std::string> names;
    if (auto* set = dynamic_cast<CResourceSet*>(file)) {
        for (int i = 0; i < set->MemberCount(); ++i) {
            CResourceFile* member = set->Member(i);
            if (member && member->IsOpen()) names.push_back(MemberPath(*member, path));
        }
    }
    if (names.empty()) names.push_back(path);
    return names;
}

// Names given as text: one the stored name already shows as is left as it is (its bytes stay,
// even where they are not valid in the code page); the others are encoded into the language's
// code page and cut after the last whole character that fits a name.
void EncodeNames(EntryEdits& edits, const CTreeTable& table, int32_t language) {
    const LanguageInfo& info = *FindLanguage(language);
    for (EntryEdit& e : edits) {
        if (!e.nameText) continue;
        const CTreeTableEntry& entry = *table.Entry(int32_t(e.index));
        if (language_text::Decode({entry.name.Text(), entry.name.Length()}, language) ==
            e.nameText->text) {
            e.name.reset();
            continue;
        }
        const language_text::Encoded encoded = language_text::Encode(
            e.nameText->text, language, false, size_t(entry_edits::kMaxNameChars));
        if (!encoded.ok)
            throw UsageError(e.nameText->where + ": " +
                             language_text::DescribeCharacter(encoded.refused) + " (character " +
                             std::to_string(encoded.refusedAt + 1) +
                             ") cannot be written in code page " + std::to_string(info.codePage) +
                             " (" + info.name + ")");
        if (encoded.cut)
            std::fprintf(stderr,
                         "tavimet-cli: warning: %s: cut to the %d bytes a name holds in code "
                         "page %u\n",
                         e.nameText->where.c_str(), entry_edits::kMaxNameChars, info.codePage);
        e.name = std::make_unique<std::string>(encoded.bytes);
    }
}

bool Empty(const EntryEdit& e) {
    return !e.name && !e.flags && !e.attenuationLevel && !e.attenuationValue && !e.autonomy &&
           e.motives.empty();
}

int RunApply(const ApplyOptions& o) {
    EntryEdits edits;
    try {
        std::ifstream in(o.editsPath, std::ios::binary);
        if (!in) throw UsageError("cannot read " + o.editsPath);
        EditsReader reader(o.text);
        nlohmann::json::sax_parse(in, &reader);
        edits = reader.Take(o.editsPath);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tavimet-cli: apply: %s\n", e.message.c_str());
        return kExitUsage;
    }
    return ApplyToTable(o, "apply",
                        [&](const CTreeTable&, EntryEdits& out) { out = std::move(edits); });
}

} // namespace

MotiveEdit& EntryEdit::Motive(int64_t m) {
    auto it = std::lower_bound(motives.begin(), motives.end(), m,
                               [](const auto& p, int64_t v) { return p.first < v; });
    if (it == motives.end() || it->first != m) it = motives.insert(it, {m, MotiveEdit{}});
    return it->second;
}

bool OpenTable(const std::string& path, bool readOnly, const int32_t* objectId, CObjectSet& set,
               CTreeTable& table, int16_t& treeId, bool warnDamage) {
    if (!LoadObjectSet(path, readOnly, set, warnDamage)) return false;
    const CObjectDefinition* master = PickMaster(set, objectId);
    if (!master) return false;
    if (master->TreeTableId() < 0) {
        std::fprintf(stderr, "tavimet-cli: object %d has no tree table\n", master->Id());
        return false;
    }
    treeId = master->TreeTableId();
    ClearPlatformFailure();
    if (int32_t e = table.Load(set.ResourceFile(), treeId)) {
        std::fprintf(stderr, "tavimet-cli: No Menu Tree Available. TTAB %d: %s\n", treeId,
                     StatusText(e).c_str());
        return false;
    }
    return true;
}

int ApplyToTable(const ApplyOptions& o, const char* command,
                 const std::function<void(const CTreeTable&, EntryEdits&)>& prepare,
                 bool skipWhenEmpty) {
    const int32_t* pickId = o.haveObject ? &o.objectId : nullptr;
    const std::string& path = o.path;
    SetCurrentLanguage(o.language);
    EntryEdits edits;
    try {
        // Checked against the table as stored, without changing a byte of the file.
        CObjectSet set;
        CTreeTable table(16);
        int16_t treeId = -1;
        // A damaged file is reported when the writing session refuses it.
        if (!OpenTable(path, true, pickId, set, table, treeId, false)) return kExitFailed;
        // Saving a table read short would store only the entries that could be read. Said
        // before the indexes are checked: an entry past the ones read is there on disk.
        if (table.WasTruncated() && !o.allowTruncated) {
            std::fprintf(stderr,
                         "tavimet-cli: %s: %s; saving would keep only those %d (give "
                         "--allow-truncated to save them); nothing was written\n",
                         path.c_str(), ShortTable(table).c_str(), table.Count());
            return kExitFailed;
        }
        prepare(table, edits);
        CheckAgainst(edits, table);
        EncodeNames(edits, table, o.language);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tavimet-cli: %s: %s\n", command, e.message.c_str());
        return kExitUsage;
    }
    if (skipWhenEmpty && std::all_of(edits.begin(), edits.end(), Empty)) {
        std::fprintf(stderr, "tavimet-cli: %s: nothing to write; %s was not changed\n", command,
                     path.c_str());
        return kExitOk;
    }

    // The writing session. The set owns the file; it is closed here, not by the set, so that
    // what a refusal noted can be read before the file object is gone.
    CObjectSet set;
    {
        std::unique_ptr<CResourceFile> file;
        std::optional<ChainBreak> noted;
        if (int32_t e = OpenObjectFile(path, false, file, &noted)) {
            PrintOpenFailure(path, e, noted);
            return kExitFailed;
        }
        if (!file->IsWritable()) {
            // Opened read-only: find out why once the program's own handles are closed.
            const std::vector<std::string> files = MemberFiles(file.get(), path);
            // Opened read-only, so closing writes nothing.
            (void)file->Close();
            file.reset();
            if (const std::optional<ChainBreak> at = FindDamage(std::nullopt, path)) {
                PrintDamaged(at, path);
                return kExitFailed;
            }
            std::fprintf(stderr, "tavimet-cli: cannot open %s for writing: %s; nothing was saved\n",
                         files.front().c_str(), DescribeNotWritable(files.front()).c_str());
            return kExitFailed;
        }
        set.SetResourceFile(std::move(file));
    }
    CResourceFile& file = *set.ResourceFile();
    set.LoadDefinitions();
    CTreeTable table(16);
    const CObjectDefinition* master = PickMaster(set, pickId);
    if (!master || master->TreeTableId() < 0) {
        if (master)
            std::fprintf(stderr, "tavimet-cli: object %d has no tree table\n", master->Id());
        return kExitFailed;
    }
    const int16_t treeId = master->TreeTableId();
    ClearPlatformFailure();
    int32_t failed = table.Load(&file, treeId);
    if (failed) {
        std::fprintf(stderr, "tavimet-cli: No Menu Tree Available. TTAB %d: %s\n", treeId,
                     StatusText(failed).c_str());
        return kExitFailed;
    }
    // A table stored below version 8 is saved again as it is loaded from a writable file.
    failed = table.UpgradeStatus();
    if (!failed && table.WasTruncated() && !o.allowTruncated) {
        // Read short only now (the file changed since it was checked).
        std::fprintf(stderr, "tavimet-cli: %s: %s; nothing was written\n", path.c_str(),
                     ShortTable(table).c_str());
        return kExitFailed;
    }
    if (!failed) {
        for (const EntryEdit& edit : edits)
            if (CTreeTableEntry* e = table.Entry(int32_t(edit.index))) Apply(edit, *e);
        const std::string label = entry_edits::MakeTreeTableLabel(&file, treeId);
        ClearPlatformFailure();
        failed = table.Save(label.c_str());
    }
    if (failed) {
        const std::optional<ChainBreak> noted = NotedBreak(&file);
        if (failed == kResErrDamaged) {
            // The damage is what the user needs to hear; a damaged file is not written.
            (void)file.Close();
            PrintDamaged(FindDamage(noted, path), path);
        } else {
            std::fprintf(stderr, "tavimet-cli: Could not save tree table: %s; %s\n",
                         StatusText(failed).c_str(), SavedPart(table.LastSave()));
            ClearPlatformFailure();
            if (int32_t e = file.Close())
                std::fprintf(stderr, "tavimet-cli: closing %s failed: %s\n", path.c_str(),
                             StatusText(e).c_str());
        }
        return kExitFailed;
    }
    ClearPlatformFailure();
    const int32_t closed = file.Close();
    if (closed == kResErrDamaged) {
        PrintDamaged(FindDamage(NotedBreak(&file), path), path);
        return kExitFailed;
    }
    if (closed) {
        std::fprintf(stderr,
                     "tavimet-cli: closing %s failed: %s; the table and its names had been "
                     "saved before\n",
                     path.c_str(), StatusText(closed).c_str());
        return kExitFailed;
    }
    return kExitOk;
}

void RegisterApply(CLI::App& app, int& status) {
    auto options = std::make_shared<ApplyOptions>();
    auto* cmd = app.add_subcommand("apply", "Apply a JSON document of edits to a tree table");
    cmd->add_option("PATH", options->path, "object file")->required();
    cmd->add_option("EDITS", options->editsPath, "JSON document of edits")->required();
    cmd->add_option_function<int32_t>(
        "--object",
        [options](const int32_t& id) {
            options->objectId = id;
            options->haveObject = true;
        },
        "OBJD id of the master (default: the first)");
    cmd->add_option("--language", options->language, "language 1..20 (default 1)")
        ->check(CLI::Range(1, kLanguageCount));
    cmd->add_flag("--text", options->text,
                  "names in EDITS are Unicode text, encoded into the language's code page");
    cmd->add_flag("--allow-truncated", options->allowTruncated,
                  "save a table whose body ended before its count of entries (keeps only the "
                  "entries that could be read)");
    cmd->callback([options, &status] { status = RunApply(*options); });
}

} // namespace cli
