#include "resource/ResourceMap.h"

#include "resource/IffFormat.h"
#include "stream/FieldStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

uint32_t CResourceMap::KindTag() const {
    return iff::kTypeMap;
}

void CResourceMap::Serialize(CFieldStream& stream, int32_t) {
    if (stream.GetMode() != CFieldStream::Mode::Read) {
        stream.Longs(&m_free, 1);
        int32_t types = 0;
        for (auto& node : m_index.types)
            if (node.type != iff::kTypeMap && !node.entries.empty()) ++types;
        stream.Longs(&types, 1);
        for (int32_t t = 1; t <= m_index.TypeCount(); ++t) {
            iff::TypeNode& node = *m_index.TypeAt(t);
            if (node.type == iff::kTypeMap || node.entries.empty()) continue;
            uint32_t type = node.type;
            int32_t count = int32_t(node.entries.size());
            stream.PutFields([&](auto& out) {
                out.Longs(&type, 1);
                out.Longs(&count, 1);
                for (int32_t i = 1; i <= count; ++i) {
                    iff::IndexEntry& e = *m_index.EntryAt(node, i);
                    out.Longs(&e.offset, 1);
                    out.Words(&e.id, 1);
                    out.Words(&e.diskFlags, 1);
                    out.PutText(e.Label(), e.LabelLength());
                }
            });
        }
        return;
    }
    m_index.Clear();
    int32_t types = 0;
    stream.Longs(&m_free, 1);
    stream.Longs(&types, 1);
    for (int32_t t = 0; t < types && !stream.IsShort(); ++t) {
        uint32_t type = 0;
        int32_t count = 0;
        stream.Longs(&type, 1);
        stream.Longs(&count, 1);
        for (int32_t i = 0; i < count && !stream.IsShort(); ++i) {
            int32_t offset = 0;
            int16_t id = 0;
            uint16_t flags = 0;
            stream.Longs(&offset, 1);
            stream.Words(&id, 1);
            stream.Words(&flags, 1);
            int32_t length = 0;
            const char* label = stream.ViewText(length);
            if (stream.IsShort()) break;
            iff::IndexEntry& e = m_index.Add(type);
            e.offset = offset;
            e.id = id;
            e.flags = e.diskFlags = flags;
            m_index.SetLabel(e, label, size_t(length));
        }
    }
}

bool ReadResourceMapBody(const uint8_t* body, int32_t size, int32_t fileLength,
                         iff::ChunkIndex& index, int32_t& freeSpace) {
    if (size < iff::kStoredPrefix || iff::GetLE32(body + 8) != iff::kTypeMap) return false;
    CResourceMap map(index, freeSpace);
    if (ReadStoredBody(body, size, map) != kResOk) return false;
    if (freeSpace < 0 || freeSpace > fileLength) return false;
    std::vector<int32_t> offsets;
    bool ok = true;
    index.ForEach([&](iff::IndexEntry& e) {
        if (e.type == iff::kTypeMap && e.id == 0) ok = false;
        if (e.offset < iff::kFileHeaderSize || e.offset > fileLength - iff::kChunkHeaderV2)
            ok = false;
        offsets.push_back(e.offset);
        if (e.diskFlags & iff::kFlagFree) ok = false;
    });
    // No two entries at one offset.
    std::sort(offsets.begin(), offsets.end());
    return ok && std::adjacent_find(offsets.begin(), offsets.end()) == offsets.end();
}
