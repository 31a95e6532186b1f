// The 2.5 resource map: every chunk of a file except free chunks and the map itself, by type,
// with the free space, stored in the rsmp chunk so a file opens without a scan.
#pragma once

#include "resource/IffFileBase.h"
#include "resource/StoredObject.h"

class CResourceMap : public CStoredObject {
public:
    // Reads into or writes from index (types in order) and freeSpace.
    CResourceMap(iff::ChunkIndex& index, int32_t& freeSpace) : m_index(index), m_free(freeSpace) {}

    void Serialize(CFieldStream& stream, int32_t version) override;
    uint32_t KindTag() const override;

private:
    iff::ChunkIndex& m_index;
    int32_t& m_free;
};

// Reads a map body (prefix included, already in native order where it needed converting) into
// index. False when it is short, claims the map chunk itself, or names an offset that cannot
// hold a chunk of a file of fileLength bytes.
bool ReadResourceMapBody(const uint8_t* body, int32_t size, int32_t fileLength,
                         iff::ChunkIndex& index, int32_t& freeSpace);
