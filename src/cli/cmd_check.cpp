// tavimet-cli check PATH: scans every chunk header and reports what is wrong; then looks into the
// bodies of the object's OBJD, TTAB, TTAs and STR# chunks for ones that end too early. Never
// writes. PATH is opened by name as ttab opens it: PATH.iff and PATH.spf when PATH has no
// extension (each file that exists is checked and labelled), only PATH for a ".iff" or ".spf"
// path; any other path is checked as the file it names.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Batch.h"
#include "Commands.h"
#include "Failures.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "common/BoundedString.h"
#include "model/StatusText.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "platform/PlatformFiles.h"
#include "resource/IffCheck.h"

namespace cli {

namespace {

// The scan of one file of an object.
struct Scan {
    std::string file;
    IffCheckReport report;
    bool clean = false;
    std::string openFailure; // why the file could not be opened, when it could not
};

Scan ScanFile(const std::string& file) {
    Scan scan;
    scan.file = file;
    ClearPlatformFailure();
    scan.clean = CheckIffFile(file.c_str(), scan.report);
    if (!scan.report.opened) scan.openFailure = StatusText(kResErrCannotOpen);
    return scan;
}

// Prints the scan of one file as the one-file form shows it.
void PrintScan(const Scan& scan) {
    const std::string& file = scan.file;
    const IffCheckReport& report = scan.report;
    Out("%s: ", file.c_str());
    if (report.version == 0)
        Out("not an IFF resource file\n");
    else
        Out("IFF %d.%d, %d bytes, %d chunks, %d free chunks (%lld bytes)", report.version >> 8,
            report.version & 0xFF, report.length, report.chunks, report.freeChunks,
            static_cast<long long>(report.freeBytes));
    if (report.version == 0x205) {
        if (report.mapOffset == 0)
            Out(", no resource map");
        else if (report.mapEntries >= 0)
            Out(", resource map at %d with %d entries", report.mapOffset, report.mapEntries);
    }
    if (report.version) Out("\n");
    if (report.chainBreak >= 0) {
        if (report.interruptedTail)
            Out("  the chunk chain breaks at offset %d: what follows is the remains of an "
                "interrupted append, which the next save drops\n",
                report.chainBreak);
        else
            Out("  the chunk chain breaks at offset %d: the file is damaged there and is "
                "never written (read-only commands still work)\n",
                report.chainBreak);
    }
    for (const std::string& p : report.problems)
        Out("  problem: %s\n", p.c_str());
}

// Every problem of a scan as one phrase each, for the one-line form of a batch.
void Phrases(const Scan& scan, const std::string& shown, std::vector<std::string>& out) {
    const std::string prefix = scan.file == shown ? std::string{} : scan.file + ": ";
    const IffCheckReport& r = scan.report;
    if (!r.opened) {
        out.push_back(prefix + "cannot be opened: " + scan.openFailure);
        return;
    }
    if (r.version == 0) out.push_back(prefix + "not an IFF resource file");
    if (r.chainBreak >= 0)
        out.push_back(prefix + "the chunk chain breaks at offset " + std::to_string(r.chainBreak) +
                      (r.interruptedTail ? " (the remains of an interrupted append)" : ""));
    for (const std::string& p : r.problems)
        out.push_back(prefix + p);
}

std::string Quoted(CResourceFile& file, CChunk* chunk) {
    CFixedString<64> label;
    file.GetLabel(chunk, label);
    return Json8Quote(label.Text());
}

// The ids of every plain (variant 0) chunk of a type, each once, in the file's order: the
// chunks the editor reads by id.
std::vector<int16_t> IdsOf(CResourceFile& file, uint32_t type) {
    std::vector<int16_t> ids;
    std::set<int16_t> seen;
    const int16_t n = file.CountChunks(type);
    for (int32_t k = 1; k <= n; ++k) {
        CChunk* chunk = file.GetChunkAt(type, k, nullptr);
        if (!chunk) continue;
        int16_t id = 0;
        file.GetId(chunk, id);
        const int32_t variant = file.GetVariant(chunk);
        // A fetched chunk already has its place in the file: giving it back writes nothing.
        (void)file.ReleaseChunk(chunk);
        if (variant == 0 && seen.insert(id).second) ids.push_back(id);
    }
    return ids;
}

// Looks into the bodies the editor reads (opened read-only, as the editor opens the object) and
// returns the problems found: an OBJD of version 138 or later shorter than 216 bytes, a TTAB that
// ends before its count of entries, a TTAs or STR# whose count or strings run past its end.
// Nothing when the object does not open as an object file (the scan reports why).
std::vector<std::string> CheckBodies(const std::string& path) {
    std::vector<std::string> problems;
    std::unique_ptr<CResourceFile> opened;
    if (OpenObjectFile(path, true, opened) != kResOk) return problems;
    CResourceFile& file = *opened;

    const uint32_t objd = CObjectSet::kTypeOBJD;
    const int16_t definitions = file.CountChunks(objd);
    for (int32_t k = 1; k <= definitions; ++k) {
        CChunk* chunk = file.GetChunkAt(objd, k, nullptr);
        if (!chunk) {
            problems.push_back("OBJD number " + std::to_string(k) +
                               " cannot be read: " + StatusText(file.LastError()));
            continue;
        }
        int16_t id = 0;
        file.GetId(chunk, id);
        uint8_t v[4] = {0, 0, 0, 0};
        for (int32_t i = 0; i < 4 && i < chunk->Size(); ++i)
            v[i] = chunk->Body()[i];
        const uint32_t version = v[0] | (v[1] << 8) | (v[2] << 16) | (uint32_t(v[3]) << 24);
        if (chunk->Size() < CObjectDefinition::kDataSize && version >= 138)
            problems.push_back("OBJD " + std::to_string(id) + " " + Quoted(file, chunk) +
                               " is short: version " + std::to_string(version) + " has " +
                               std::to_string(CObjectDefinition::kDataSize) +
                               " bytes, the body holds " + std::to_string(chunk->Size()));
        // A fetched chunk already has its place in the file: giving it back writes nothing.
        (void)file.ReleaseChunk(chunk);
    }

    for (int16_t id : IdsOf(file, CTreeTable::kTypeTTAB)) {
        CTreeTable table(16);
        if (int32_t e = table.Load(&file, id)) {
            problems.push_back("TTAB " + std::to_string(id) + " cannot be read: " + StatusText(e));
            continue;
        }
        if (table.WasTruncated())
            problems.push_back("TTAB " + std::to_string(id) + " " +
                               Json8Quote(table.Label().Text()) + " is short: its body holds " +
                               std::to_string(table.Count()) + " of its " +
                               std::to_string(table.StoredCount()) + " entries");
    }

    for (uint32_t type : {CStringTable::kTypeTTAs, CStringTable::kTypeStr}) {
        for (int16_t id : IdsOf(file, type)) {
            CStringTable strings;
            strings.Configure(&file, type, id, false, 0);
            if (int32_t e = strings.Load(true, false)) {
                problems.push_back(TypeCodeString(type) + " " + std::to_string(id) +
                                   " cannot be read: " + StatusText(e));
                continue;
            }
            if (strings.WasTruncated())
                problems.push_back(TypeCodeString(type) + " " + std::to_string(id) + " " +
                                   Json8Quote(strings.Label()) +
                                   " is short: its count or its strings run past the end of its "
                                   "body");
        }
    }
    return problems;
}

// Checks the object the path names: every file's scan, then the bodies. One file alone prints
// as it always has; in a batch a file prints one line when it has problems (or, for JSON, its
// element's fields).
FileOutcome CheckObject(const std::string& path, const std::string& shown, bool batch, bool json) {
    std::vector<std::string> files = ExistingObjectFiles(path);
    // A path the object rows do not name (another extension, or nothing there by name) is
    // checked as the file it names, which reports it when it is missing.
    if (files.empty()) files.push_back(path);
    std::vector<Scan> scans;
    bool clean = true;
    for (const std::string& file : files) {
        scans.push_back(ScanFile(file));
        clean = scans.back().clean && clean;
    }
    const std::vector<std::string> bodies = CheckBodies(path);
    clean = clean && bodies.empty();
    FileOutcome outcome{clean ? kExitOk : kExitFailed, 0, {}};
    if (!batch) {
        for (const Scan& scan : scans)
            PrintScan(scan);
        if (!bodies.empty()) {
            Out("chunk bodies:\n");
            for (const std::string& p : bodies)
                Out("  problem: %s\n", p.c_str());
        }
        Out("%s\n", clean ? "OK" : "PROBLEMS FOUND");
        return outcome;
    }
    // A file that cannot be opened at all is a failure of the batch, not a finding.
    for (const Scan& scan : scans) {
        if (scan.report.opened) continue;
        Err("tavimet-cli: cannot open %s: %s\n", scan.file.c_str(), scan.openFailure.c_str());
        outcome.status = kResErrCannotOpen;
        return outcome;
    }
    if (!json) {
        if (clean) return outcome;
        std::vector<std::string> phrases;
        for (const Scan& scan : scans)
            Phrases(scan, shown, phrases);
        phrases.insert(phrases.end(), bodies.begin(), bodies.end());
        std::string line = shown + ":";
        for (size_t i = 0; i < phrases.size(); ++i)
            line += (i ? "; " : " ") + phrases[i];
        Out("%s\n", line.c_str());
        return outcome;
    }
    JsonWriter w;
    w.BeginObject();
    w.Key("clean").Bool(clean);
    w.Key("scans").BeginArray();
    for (const Scan& scan : scans) {
        const IffCheckReport& r = scan.report;
        w.BeginObject();
        w.Key("file").String(scan.file);
        w.Key("version");
        if (r.version)
            w.String(std::to_string(r.version >> 8) + "." + std::to_string(r.version & 0xFF));
        else
            w.Null();
        w.Key("length").Int(r.length);
        w.Key("chunks").Int(r.chunks);
        w.Key("free_chunks").Int(r.freeChunks);
        w.Key("free_bytes").Int(r.freeBytes);
        w.Key("chain_break").Int(r.chainBreak);
        w.Key("interrupted_tail").Bool(r.interruptedTail);
        w.Key("problems").BeginArray();
        for (const std::string& p : r.problems)
            w.String(p);
        w.EndArray();
        w.EndObject();
    }
    w.EndArray();
    w.Key("body_problems").BeginArray();
    for (const std::string& p : bodies)
        w.String(p);
    w.EndArray();
    w.EndObject();
    outcome.json = w.Text();
    return outcome;
}

} // namespace

void RegisterCheck(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("check", "Check the chunk structure of an IFF file");
    auto held = std::make_shared<BatchOptions>();
    AddBatchOptions(*cmd, *held, "IFF file, or an object by name (PATH.iff and PATH.spf)");
    cmd->add_flag("--json", held->json, "print JSON (always the several-files form)");
    cmd->callback([&status, held] {
        const BatchOptions& options = *held;
        const bool json = options.json;
        const FileWork work = [json](const std::string& path, const std::string& shown,
                                     bool batch) { return CheckObject(path, shown, batch, json); };
        // The one-file form has no JSON: --json always prints the several-files document.
        if (!IsBatch(options) && !options.json) {
            status = work(options.paths.front(), options.paths.front(), false).exit;
            return;
        }
        const BatchTotals totals = RunBatch(options, work, false);
        if (!options.json)
            Out("%d files checked: %d clean, %d with problems\n", totals.files,
                totals.files - totals.failed, totals.failed);
        status = totals.failed ? kExitFailed : kExitOk;
    });
}

} // namespace cli
