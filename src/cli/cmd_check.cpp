// tavimet-cli check PATH: scans every chunk header and reports what is wrong; then looks into the
// bodies of the object's OBJD, TTAB, TTAs and STR# chunks for ones that end too early. Never
// writes. PATH is opened by name as ttab opens it: PATH.iff and PATH.spf when PATH has no
// extension (each file that exists is checked and labelled), only PATH for a ".iff" or ".spf"
// path; any other path is checked as the file it names.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Failures.h"
#include "Json8.h"
#include "ModelCommon.h"
#include "common/BoundedString.h"
#include "model/StatusText.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "resource/IffCheck.h"

namespace cli {

namespace {

// Prints the scan of one file; false when it found problems.
bool CheckOneFile(const std::string& file) {
    IffCheckReport report;
    const bool clean = CheckIffFile(file.c_str(), report);
    std::printf("%s: ", file.c_str());
    if (report.version == 0)
        std::printf("not an IFF resource file\n");
    else
        std::printf("IFF %d.%d, %d bytes, %d chunks, %d free chunks (%lld bytes)",
                    report.version >> 8, report.version & 0xFF, report.length, report.chunks,
                    report.freeChunks, static_cast<long long>(report.freeBytes));
    if (report.version == 0x205) {
        if (report.mapOffset == 0)
            std::printf(", no resource map");
        else if (report.mapEntries >= 0)
            std::printf(", resource map at %d with %d entries", report.mapOffset,
                        report.mapEntries);
    }
    if (report.version) std::printf("\n");
    if (report.chainBreak >= 0) {
        if (report.interruptedTail)
            std::printf("  the chunk chain breaks at offset %d: what follows is the remains of an "
                        "interrupted append, which the next save drops\n",
                        report.chainBreak);
        else
            std::printf("  the chunk chain breaks at offset %d: the file is damaged there and is "
                        "never written (read-only commands still work)\n",
                        report.chainBreak);
    }
    for (const std::string& p : report.problems)
        std::printf("  problem: %s\n", p.c_str());
    return clean;
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

} // namespace

void RegisterCheck(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("check", "Check the chunk structure of an IFF file");
    static std::string path;
    cmd->add_option("PATH", path, "IFF file, or an object by name (PATH.iff and PATH.spf)")
        ->required();
    cmd->callback([&status] {
        std::vector<std::string> files = ExistingObjectFiles(path);
        // A path the object rows do not name (another extension, or nothing there by name) is
        // checked as the file it names, which reports it when it is missing.
        if (files.empty()) files.push_back(path);
        bool clean = true;
        for (const std::string& file : files)
            clean = CheckOneFile(file) && clean;
        const std::vector<std::string> bodies = CheckBodies(path);
        if (!bodies.empty()) {
            std::printf("chunk bodies:\n");
            for (const std::string& p : bodies)
                std::printf("  problem: %s\n", p.c_str());
            clean = false;
        }
        std::printf("%s\n", clean ? "OK" : "PROBLEMS FOUND");
        status = clean ? kExitOk : kExitFailed;
    });
}

} // namespace cli
