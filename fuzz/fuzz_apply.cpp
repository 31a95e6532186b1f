// The editor's save path over damaged object files: whatever the bytes, a save either keeps every
// chunk the file showed before, or is refused without writing a byte.
//
// Input: an options byte, then either the whole file (options bit 0) or patches to the sample
// object file of our own generator: (24-bit offset, byte) pairs, and with bit 1 a cut of the file
// at a 24-bit offset first. The run snapshots every chunk a read-only open sees, opens the file
// writable as the editor does, loads the first master's tree table, changes a name and flags,
// saves and closes, and opens it read-only again: every chunk seen before must read back the
// same; the saved TTAB and TTAs may read back as before or as saved.
#include <algorithm>
#include <compare>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "FuzzSupport.h"
#include "common/BoundedString.h"
#include "model/EntryEdits.h"
#include "model/ObjectDefinitions.h"
#include "model/StringTable.h"
#include "model/TreeTable.h"
#include "resource/ResourceKinds.h"
#include "sample/Sample.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Stored {
    std::string label;
    Bytes body;
    bool operator==(const Stored&) const = default;
    auto operator<=>(const Stored&) const = default;
};

// (type, id, variant) -> every such chunk, in index order.
using Snapshot = std::map<std::tuple<uint32_t, int16_t, int32_t>, std::vector<Stored>>;

constexpr const char* kPath = fuzz::CMemoryIff::kPath;

[[noreturn]] void Fail(const char* what, uint32_t type = 0, int16_t id = 0) {
    std::fprintf(stderr, "fuzz_apply: %s", what);
    if (type)
        std::fprintf(stderr, " (%c%c%c%c %d)", char(type >> 24), char(type >> 16), char(type >> 8),
                     char(type), id);
    std::fprintf(stderr, "\n");
    std::abort();
}

const Bytes& SampleImage() {
    static const Bytes image = [] {
        fuzz::CMemoryFiles files;
        CPlatformFilesScope scope(files);
        std::string error;
        if (sample::WriteObjectFile("sample.iff", error) != 0) Fail("the sample was not written");
        return files.files["sample.iff"];
    }();
    return image;
}

// Every chunk a read-only open shows; nothing when the file does not open.
std::optional<Snapshot> Snap() {
    CObjectResourceFile file;
    if (file.OpenReadOnly(kPath) != kResOk) return std::nullopt;
    // A resource map that does not match the chunks is only found out when a chunk is fetched,
    // and then the file is indexed by a scan: every chunk is fetched once before the real pass.
    for (int32_t t = 1; t <= file.CountTypes(); ++t) {
        const uint32_t type = file.GetTypeAt(t);
        for (int32_t i = 1; i <= file.CountChunks(type); ++i)
            if (CChunk* c = file.GetChunkAt(type, i, nullptr)) file.ReleaseChunk(c);
    }
    Snapshot out;
    for (int32_t t = 1; t <= file.CountTypes(); ++t) {
        const uint32_t type = file.GetTypeAt(t);
        for (int32_t i = 1; i <= file.CountChunks(type); ++i) {
            CChunk* c = file.GetChunkAt(type, i, nullptr);
            if (!c) continue;
            int16_t id = 0;
            file.GetId(c, id);
            const int32_t variant = file.GetVariant(c);
            CFixedString<64> label;
            file.GetLabel(c, label);
            out[{type, id, variant}].push_back(
                Stored{label.Text(), Bytes(c->Body(), c->Body() + c->Size())});
            file.ReleaseChunk(c);
        }
    }
    file.Close();
    // Copies of one type, id and variant may come back in another order: that loses nothing.
    for (auto& [key, list] : out)
        std::sort(list.begin(), list.end());
    return out;
}

std::optional<Stored> Fetch(CResourceFile& file, uint32_t type, int16_t id) {
    CChunk* c = file.GetChunk(type, id, nullptr);
    if (!c) return std::nullopt;
    CFixedString<64> label;
    file.GetLabel(c, label);
    Stored s{label.Text(), Bytes(c->Body(), c->Body() + c->Size())};
    file.ReleaseChunk(c);
    return s;
}

bool Contains(const std::vector<Stored>& list, const Stored& s) {
    for (const Stored& t : list)
        if (t == s) return true;
    return false;
}

// A chunk being saved: each copy reads back as before or as saved.
void CheckSaved(const std::vector<Stored>& before, const std::vector<Stored>& after,
                const std::optional<Stored>& saved, uint32_t type, int16_t id) {
    // A new version supersedes every copy of the old one (copies a stopped save left behind
    // included); without a new version nothing may go.
    int fresh = 0, lost = 0;
    for (const Stored& s : after)
        if (!Contains(before, s)) {
            if (!saved || !(s == *saved))
                Fail("a saved chunk reads back as neither old nor new", type, id);
            ++fresh;
        }
    for (const Stored& s : before)
        if (!Contains(after, s)) ++lost;
    if (fresh > 1) Fail("a save wrote more than one new version", type, id);
    if (fresh == 0 && lost > 0) Fail("a copy was lost without a new version", type, id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::CInput in(data, size);
    const uint8_t options = in.Byte();
    const uint8_t edit = in.Byte();
    Bytes image;
    if (options & 0x01) {
        image = in.Rest();
    } else {
        image = SampleImage();
        // Offsets are 24-bit: the sample is larger than 64 KiB.
        auto offset = [&in] { return (size_t(in.U16()) << 8) | in.Byte(); };
        if (options & 0x02) image.resize(std::min(image.size(), offset()));
        while (!in.Empty() && !image.empty()) {
            const size_t at = offset() % image.size();
            image[at] = in.Byte();
        }
    }

    fuzz::CMemoryFiles files;
    CPlatformFilesScope scope(files);
    files.files[kPath] = image;

    const std::optional<Snapshot> before = Snap();
    if (files.files[kPath] != image) Fail("a read-only open changed the file");

    int16_t tableId = -1;
    std::optional<Stored> savedTable, savedNames;
    bool refused = false;
    {
        auto file = std::make_unique<CObjectResourceFile>();
        const int32_t opened = file->Open(kPath);
        if (opened != kResOk) {
            // A refused open, the damaged file's above all, writes nothing.
            if (files.files[kPath] != image) Fail("a failed open changed the file");
            return 0;
        }
        CObjectSet set;
        set.SetResourceFile(std::move(file));
        set.LoadDefinitions();
        CResourceFile& rf = *set.ResourceFile();
        if (!set.Masters().empty()) tableId = set.Masters().front()->TreeTableId();
        CTreeTable table(16);
        if (tableId > 0 && table.Load(&rf, tableId) == kResOk) {
            refused = table.UpgradeStatus() == kResErrDamaged;
            if (table.Count() > 0 && !refused) {
                CTreeTableEntry& e = *table.Entry(edit % table.Count());
                // Longer names make the TTAs grow, so it has to move.
                entry_edits::StoreName(e, std::string(size_t(edit % 61) + 1, 'x').c_str());
                e.flags ^= 0x101u;
                const std::string label = entry_edits::MakeTreeTableLabel(&rf, tableId);
                refused = table.Save(label.c_str()) == kResErrDamaged;
            }
            // What the file holds now: the saved bodies (the upgrade's too), or the old ones.
            savedTable = Fetch(rf, CTreeTable::kTypeTTAB, tableId);
            savedNames = Fetch(rf, CStringTable::kTypeTTAs, tableId);
        }
        set.CloseFile();
    }
    if (refused) {
        if (files.files[kPath] != image) Fail("a refused save changed the file");
        return 0;
    }
    if (!before) return 0;
    const std::optional<Snapshot> after = Snap();
    if (!after) Fail("the file no longer opens after a save");
    for (const auto& [key, chunks] : *before) {
        const auto [type, id, variant] = key;
        const auto found = after->find(key);
        const std::vector<Stored> none;
        const std::vector<Stored>& now = found == after->end() ? none : found->second;
        const bool saved = tableId > 0 && id == tableId && variant == 0 &&
                           (type == CTreeTable::kTypeTTAB || type == CStringTable::kTypeTTAs);
        if (!saved) {
            if (now != chunks) {
                // Enough to tell a lost chunk from a changed one.
                std::fprintf(stderr, "fuzz_apply: %zu copies before, %zu after; sizes",
                             chunks.size(), now.size());
                for (const Stored& c : chunks)
                    std::fprintf(stderr, " %zu", c.body.size());
                std::fprintf(stderr, " ->");
                for (const Stored& c : now)
                    std::fprintf(stderr, " %zu", c.body.size());
                std::fprintf(stderr, "\n");
                Fail("a chunk the save did not write reads back changed", type, id);
            }
            continue;
        }
        CheckSaved(chunks, now, type == CTreeTable::kTypeTTAB ? savedTable : savedNames, type, id);
    }
    return 0;
}
