// tavimet-cli po export PATH [--object ID] --language N [-o OUT.po]
// tavimet-cli po import PATH FILE.po [--object ID] [--language N]
// The translators' round trip: a tree table's names as a gettext PO catalogue in UTF-8, one
// message per entry (msgctxt "entry E, string S", msgid the US English name, msgstr the
// language's own name), and such a catalogue written back into the names of one language through
// the same checks and single save as apply.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "ModelCommon.h"
#include "TableEdits.h"
#include "model/LanguageText.h"
#include "model/Languages.h"
#include "model/PoFile.h"
#include "model/StatusText.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"

namespace cli {

namespace {

// String indexes 0..32766 have a place in the names table.
constexpr int32_t kNamePlaces = 32767;

std::string Context(int32_t entry, int32_t stringIndex) {
    return "entry " + std::to_string(entry) + ", string " + std::to_string(stringIndex);
}

// "entry E, string S" exactly; false for anything else.
bool ParseContext(const std::string& context, int32_t& entry, int32_t& stringIndex) {
    int consumed = 0;
    if (std::sscanf(context.c_str(), "entry %d, string %d%n", &entry, &stringIndex, &consumed) !=
            2 ||
        size_t(consumed) != context.size())
        return false;
    return Context(entry, stringIndex) == context;
}

// PO-Revision-Date: now, or SOURCE_DATE_EPOCH when the environment sets it (reproducible output).
std::string RevisionDate() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long v = std::strtoll(epoch, &end, 10);
        if (end && *end == '\0' && end != epoch) now = std::time_t(v);
    }
    // The calendar of <chrono>: no C library call that differs between systems.
    using namespace std::chrono;
    const sys_seconds at{seconds{now}};
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss<seconds> time{at - day};
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d+0000", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()));
    return text;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct ExportOptions {
    std::string path;
    int32_t objectId = 0;
    bool haveObject = false;
    int32_t language = 1;
    std::string output;
};

int RunExport(const ExportOptions& o) {
    const LanguageInfo& language = *FindLanguage(o.language);
    // The US English names, as the editor shows them in US English.
    SetCurrentLanguage(1);
    CObjectSet set;
    CTreeTable table(16);
    int16_t treeId = -1;
    if (!OpenTable(o.path, true, o.haveObject ? &o.objectId : nullptr, set, table, treeId, true))
        return kExitFailed;
    if (table.WasTruncated())
        std::fprintf(stderr,
                     "tavimet-cli: warning: TTAB %d is short: its body holds %d of its %d "
                     "entries; only those %d are exported\n",
                     table.Id(), table.Count(), table.StoredCount(), table.Count());
    CStringTable names;
    names.Configure(set.ResourceFile(), CStringTable::kTypeTTAs, table.Id(), false, 0);
    ClearPlatformFailure();
    const int32_t loaded = names.Load(true, false);
    if (loaded != 0 && loaded != kResErrNoChunk && loaded != kResErrUnknownChunk) {
        std::fprintf(stderr, "tavimet-cli: cannot read the names (TTAs %d): %s\n", table.Id(),
                     StatusText(loaded).c_str());
        return kExitFailed;
    }
    const int32_t slot = language.number - 1;

    po::Catalog catalog;
    po::Message header;
    header.translatorComments = {
        "Names of the interactions of TTAB " + std::to_string(table.Id()) + " \"" +
            language_text::Decode(table.Label().Text(), 1) + "\" in " + BaseName(o.path) + ",",
        std::string(language.name) + " (code page " + std::to_string(language.codePage) +
            "). Import with: tavimet-cli po import " + BaseName(o.path) + " FILE.po"};
    header.str = "Project-Id-Version: TTAB " + std::to_string(table.Id()) +
                 "\n"
                 "PO-Revision-Date: " +
                 RevisionDate() +
                 "\n"
                 "Last-Translator: \n"
                 "Language-Team: \n"
                 "Language: " +
                 language.poCode +
                 "\n"
                 "MIME-Version: 1.0\n"
                 "Content-Type: text/plain; charset=UTF-8\n"
                 "Content-Transfer-Encoding: 8bit\n"
                 "X-Generator: tavimet-cli\n";
    catalog.header = header;
    for (int32_t i = 0; i < table.Count(); ++i) {
        const CTreeTableEntry& e = *table.Entry(i);
        if (e.stringIndex < 0 || e.stringIndex >= kNamePlaces) {
            std::fprintf(stderr,
                         "tavimet-cli: warning: entry %d has no place in the names table "
                         "(string index %d) and is left out\n",
                         i, e.stringIndex);
            continue;
        }
        const int32_t at = e.stringIndex + 1;
        po::Message m;
        if (const char* comment = names.GetComment(at, 0); comment && *comment)
            m.translatorComments.push_back(language_text::Decode(comment, 1));
        m.context = Context(i, e.stringIndex);
        m.id = language_text::Decode({e.name.Text(), e.name.Length()}, 1);
        // Only a name of the language's own: an English copy standing in for it is no
        // translation.
        const StringItem* own = names.Item(at, slot);
        if (own && own->text && (slot == 0 || own->sourceLanguage != 0))
            m.str = language_text::Decode(*own->text, language.number);
        catalog.messages.push_back(std::move(m));
    }
    const std::string text = po::Write(catalog);
    if (o.output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitOk;
    }
    std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "tavimet-cli: cannot write %s\n", o.output.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

struct ImportOptions {
    std::string path;
    std::string poPath;
    int32_t objectId = 0;
    bool haveObject = false;
    int32_t language = 0; // 0: the catalogue's own
};

// The language the catalogue is for; throws UsageError when it names none, or another one
// than --language.
int32_t CatalogueLanguage(const po::Catalog& catalog, const ImportOptions& o) {
    const std::optional<int32_t> given =
        o.language ? std::optional<int32_t>(o.language) : std::nullopt;
    const std::optional<std::string> code = catalog.HeaderField("Language");
    if (!code || code->empty()) {
        if (given) return *given;
        throw UsageError(o.poPath + " names no language (its header has no Language field); "
                                    "give --language N");
    }
    const std::optional<int32_t> found = LanguageOfPoCode(*code, given);
    if (!found)
        throw UsageError(o.poPath + ": Language: " + *code +
                         " names none of the twenty languages, or more than one (give "
                         "--language N)");
    if (given && *found != *given)
        throw UsageError(o.poPath + " is for " + FindLanguage(*found)->name +
                         " (Language: " + *code + "), not for " + FindLanguage(*given)->name +
                         " (--language " + std::to_string(*given) + ")");
    return *found;
}

int RunImport(const ImportOptions& o) {
    po::Catalog catalog;
    int32_t language = 0;
    try {
        std::ifstream in(o.poPath, std::ios::binary);
        if (!in) throw UsageError("cannot read " + o.poPath);
        std::stringstream text;
        text << in.rdbuf();
        if (auto error = po::Parse(text.str(), catalog))
            throw UsageError(o.poPath + ":" + std::to_string(error->line) + ": " + error->message +
                             "; nothing was written");
        if (const std::optional<std::string> charset = catalog.Charset()) {
            std::string upper = *charset;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
            if (upper != "UTF-8" && upper != "UTF8")
                throw UsageError(o.poPath + " is in " + *charset +
                                 "; only UTF-8 catalogues are read (msgconv --to-code=UTF-8 "
                                 "converts it)");
        }
        for (const po::Message& m : catalog.messages)
            if (!language_text::IsValidUtf8(m.str) ||
                (m.context && !language_text::IsValidUtf8(*m.context)))
                throw UsageError(o.poPath + ":" + std::to_string(m.line) +
                                 ": the message is not valid UTF-8");
        language = CatalogueLanguage(catalog, o);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tavimet-cli: po import: %s\n", e.message.c_str());
        return kExitUsage;
    }

    ApplyOptions apply;
    apply.path = o.path;
    apply.objectId = o.objectId;
    apply.haveObject = o.haveObject;
    apply.language = language;
    apply.text = true;
    auto prepare = [&](const CTreeTable& table, std::vector<EntryEdit>& edits) {
        // Entries that share a string share their name: they must be given the same one.
        std::map<int32_t, std::pair<int32_t, std::string>> byString;
        for (const po::Message& m : catalog.messages) {
            const std::string where = o.poPath + ":" + std::to_string(m.line);
            if (!m.context)
                throw UsageError(where + ": the message (msgid " + po::Quote(m.id) +
                                 ") has no msgctxt, so it names no entry; nothing was written");
            int32_t entry = 0, stringIndex = 0;
            const CTreeTableEntry* e = nullptr;
            if (ParseContext(*m.context, entry, stringIndex)) e = table.Entry(entry);
            if (!e || e->stringIndex != stringIndex)
                throw UsageError(where + ": unknown msgctxt " + po::Quote(*m.context) + ": TTAB " +
                                 std::to_string(table.Id()) +
                                 " has no such entry; nothing was written");
            if (m.Fuzzy() || m.str.empty()) continue;
            const auto [it, fresh] = byString.emplace(stringIndex, std::make_pair(entry, m.str));
            if (!fresh && it->second.second != m.str)
                throw UsageError(where + ": entries " + std::to_string(it->second.first) + " and " +
                                 std::to_string(entry) + " share string " +
                                 std::to_string(stringIndex) +
                                 " but are given different names; nothing was written");
            EntryEdit edit;
            edit.index = entry;
            edit.nameText = m.str;
            edit.nameWhere = where + ": entry " + std::to_string(entry) + ": msgstr";
            edits.push_back(std::move(edit));
        }
    };
    return ApplyToTable(apply, "po import", prepare, true);
}

} // namespace

void RegisterPo(CLI::App& app, int& status) {
    auto* po = app.add_subcommand(
        "po", "Export or import the names of a tree table as gettext PO catalogues");
    po->require_subcommand(1);

    auto ex = std::make_shared<ExportOptions>();
    auto* exportCmd = po->add_subcommand("export", "Write the names of one language as PO");
    exportCmd->add_option("PATH", ex->path, "object file")->required();
    exportCmd->add_option_function<int32_t>(
        "--object",
        [ex](const int32_t& id) {
            ex->objectId = id;
            ex->haveObject = true;
        },
        "OBJD id of the master (default: the first)");
    exportCmd->add_option("--language", ex->language, "language 1..20")
        ->required()
        ->check(CLI::Range(1, kLanguageCount));
    exportCmd->add_option("-o,--output", ex->output, "PO file to write (default: standard output)");
    exportCmd->callback([ex, &status] { status = RunExport(*ex); });

    auto im = std::make_shared<ImportOptions>();
    auto* importCmd =
        po->add_subcommand("import", "Write the translations of a PO catalogue into the names");
    importCmd->add_option("PATH", im->path, "object file")->required();
    importCmd->add_option("FILE", im->poPath, "PO catalogue")->required();
    importCmd->add_option_function<int32_t>(
        "--object",
        [im](const int32_t& id) {
            im->objectId = id;
            im->haveObject = true;
        },
        "OBJD id of the master (default: the first)");
    importCmd
        ->add_option("--language", im->language,
                     "language 1..20 (default: the catalogue's Language header)")
        ->check(CLI::Range(1, kLanguageCount));
    importCmd->callback([im, &status] { status = RunImport(*im); });
}

} // namespace cli
