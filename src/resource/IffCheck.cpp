#include "resource/IffCheck.h"

#include "fileio/FileObject.h"
#include "resource/IffFormat.h"
#include "resource/IffStore.h"
#include "resource/ResourceMap.h"
#include "resource/StoredObject.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

std::string Describe(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Describe(const char* fmt, ...) {
    char buf[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

struct Scanned {
    uint32_t type;
    int16_t id;
    uint16_t flags;
    std::string label;
};

// The 64-byte file header: the version, the chunk header size and, for 2.5, the map's offset.
bool CheckHeader(CFileObject& file, IffCheckReport& report, int32_t& headerSize) {
    uint8_t header[iff::kFileHeaderSize];
    if (report.length < iff::kFileHeaderSize || !file.Seek(0) ||
        file.Read(header, iff::kFileHeaderSize) != iff::kFileHeaderSize) {
        report.problems.push_back("the file is shorter than the 64-byte IFF header");
        return false;
    }
    if (std::memcmp(header, iff::kHeaderV1, iff::kFileHeaderSize) == 0) {
        report.version = 0x100;
        headerSize = iff::kChunkHeaderV1;
    } else {
        bool match = true;
        for (int i = 0; i < iff::kFileHeaderSize; ++i)
            if (iff::kHeaderV2Pattern[i] != '*' && header[i] != iff::kHeaderV2Pattern[i])
                match = false;
        const int32_t version = (header[9] - '0') * 256 + (header[11] - '0');
        if (!match || (version != iff::kVersion20 && version != iff::kVersion25)) {
            report.problems.push_back("the header is not an IFF 1.0, 2.0 or 2.5 header");
            return false;
        }
        report.version = version;
        headerSize = iff::kChunkHeaderV2;
        if (version == iff::kVersion25)
            report.mapOffset = int32_t(iff::GetBE32(header + iff::kMapOffsetPos));
    }
    return true;
}

// Walks the chunk chain, counting used and free chunks; where it breaks, says how.
void ScanChain(iff::CIffStore& store, int32_t headerSize, IffCheckReport& report,
               std::map<int32_t, Scanned>& used) {
    int32_t pos = iff::kFileHeaderSize;
    char tc[5];
    store.mapClaimsWhole = report.mapOffset != 0;
    iff::ChunkHeader h;
    while (store.ReadChunkHeader(pos, h)) {
        if (h.flags & iff::kFlagFree) {
            ++report.freeChunks;
            report.freeBytes += h.size;
        } else {
            ++report.chunks;
            used[pos] = Scanned{h.type, h.id, h.flags, h.label};
        }
        pos += h.size;
    }
    if (pos != report.length) {
        report.chainBreak = pos;
        const iff::CIffStore::End end = store.BreakAt(pos);
        report.interruptedTail = end == iff::CIffStore::End::Tail;
        std::string what;
        if (report.length - pos < headerSize || !store.ReadRawHeader(pos, h)) {
            what = Describe("%d stray bytes at offset %d after the last chunk", report.length - pos,
                            pos);
        } else {
            iff::TypeCodeText(h.type, tc);
            if (h.size < headerSize || h.size - headerSize > iff::kMaxBodySize)
                what =
                    Describe("chunk '%s' at offset %d has an impossible size %d", tc, pos, h.size);
            else
                what = Describe(
                    "chunk '%s' at offset %d with size %d reaches past the end of the file (%d)",
                    tc, pos, h.size, report.length);
        }
        if (end == iff::CIffStore::End::Tail)
            what +=
                "; they are what a write that stopped left behind, and the next save drops them";
        else if (end == iff::CIffStore::End::ReadFailed)
            what = Describe("the chunk header at offset %d cannot be read", pos);
        else
            what += Describe("; the chunk chain breaks at offset %d, so the file is damaged and "
                             "is never written",
                             pos);
        report.problems.push_back(what);
    }
}

// The 2.5 resource map against the chunks the scan found.
bool CheckMap(iff::CIffStore& store, int32_t headerSize, IffCheckReport& report,
              const std::map<int32_t, Scanned>& used) {
    char tc[5];
    // A map behind a break in the chain is still found through the header.
    iff::ChunkHeader mh;
    auto at = used.find(report.mapOffset);
    const bool reachable = at != used.end()
                               ? at->second.type == iff::kTypeMap
                               : report.chainBreak >= 0 && report.mapOffset > report.chainBreak &&
                                     store.ReadChunkHeader(report.mapOffset, mh) &&
                                     mh.type == iff::kTypeMap && !(mh.flags & iff::kFlagFree);
    if (!reachable) {
        report.problems.push_back(
            Describe("the header's map offset %d does not point at a map chunk", report.mapOffset));
        return false;
    }
    store.ReadChunkHeader(report.mapOffset, mh);
    std::vector<uint8_t> body(size_t(mh.size - headerSize));
    iff::ChunkIndex index;
    int32_t mapFree = 0;
    if (store.ReadAt(report.mapOffset + headerSize, body.data(), int32_t(body.size())) != kResOk) {
        report.problems.push_back("the resource map cannot be read");
        return false;
    }
    if (!(mh.flags & iff::kFlagNative)) SwapStoredPrefix(body.data(), int32_t(body.size()));
    if (!ReadResourceMapBody(body.data(), int32_t(body.size()), report.length, index, mapFree)) {
        report.problems.push_back("the resource map is malformed");
        return false;
    }
    int32_t entries = 0, reported = 0;
    std::set<int32_t> listed;
    auto problem = [&](std::string text) {
        if (++reported <= 20) report.problems.push_back(std::move(text));
    };
    index.ForEach([&](iff::IndexEntry& e) {
        ++entries;
        listed.insert(e.offset);
        iff::TypeCodeText(e.type, tc);
        auto it = used.find(e.offset);
        if (it == used.end() && report.chainBreak >= 0 && e.offset == report.chainBreak) {
            // The chunk whose header breaks the chain: reported above.
        } else if (it == used.end() && report.chainBreak >= 0 && e.offset > report.chainBreak) {
            // Behind the break the scan saw nothing: the map entry is checked on its own.
            iff::ChunkHeader eh;
            if (!store.ReadChunkHeader(e.offset, eh) || (eh.flags & iff::kFlagFree) ||
                eh.type != e.type || eh.id != e.id || eh.flags != e.diskFlags ||
                std::strcmp(eh.label, e.Label()) != 0)
                problem(Describe("map entry '%s' %d at offset %d, behind the break, does not "
                                 "match the chunk header there",
                                 tc, e.id, e.offset));
        } else if (it == used.end()) {
            problem(Describe("map entry '%s' %d names offset %d, where no chunk starts", tc, e.id,
                             e.offset));
        } else if (it->second.type != e.type || it->second.id != e.id ||
                   it->second.flags != e.diskFlags || it->second.label != e.Label()) {
            problem(Describe("map entry '%s' %d at offset %d disagrees with the chunk header", tc,
                             e.id, e.offset));
        }
    });
    report.mapEntries = entries;
    int32_t unlisted = 0;
    for (auto& [offset, s] : used) {
        if (s.type != iff::kTypeMap && !listed.count(offset)) ++unlisted;
    }
    if (unlisted) problem(Describe("%d chunks are missing from the resource map", unlisted));
    if (mapFree != report.freeBytes && report.chainBreak < 0)
        problem(Describe("the resource map records %d bytes of free space, the scan finds %lld",
                         mapFree, static_cast<long long>(report.freeBytes)));
    return report.problems.empty();
}

} // namespace

bool CheckIffFile(const char* path, IffCheckReport& report) {
    report = IffCheckReport{};
    std::unique_ptr<CFileObject> file = path ? OpenFileObject(path, false) : nullptr;
    if (!file) {
        report.problems.push_back("the file cannot be opened for reading");
        return false;
    }
    report.opened = true;
    report.length = file->Length();
    int32_t headerSize = 0;
    if (!CheckHeader(*file, report, headerSize)) return false;
    iff::CIffStore store(headerSize);
    store.Attach(std::move(file));
    std::map<int32_t, Scanned> used;
    ScanChain(store, headerSize, report, used);
    if (report.mapOffset == 0) return report.problems.empty();
    return CheckMap(store, headerSize, report, used);
}
