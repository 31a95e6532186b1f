#include "model/ObjectDefinitions.h"

#include <algorithm>
#include <cstring>

#include "common/BoundedString.h"
#include "model/StringTable.h"
#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"

CObjectDefinition::CObjectDefinition(CObjectSet& owner, int16_t id, const char* name,
                                     const uint8_t* body, int32_t size)
    : m_owner(&owner), m_id(id), m_name(name ? name : ""), m_data(Normalise(body, size)) {}

std::array<uint8_t, CObjectDefinition::kDataSize> CObjectDefinition::Normalise(const uint8_t* body,
                                                                               int32_t size) {
    std::array<uint8_t, kDataSize> data{};
    if (!body || size < 0) size = 0;
    const int32_t keep = std::min(size, kDataSize);
    if (keep > 0) std::memcpy(data.data(), body, size_t(keep));
    const uint32_t version = uint32_t(data[0]) | (uint32_t(data[1]) << 8) |
                             (uint32_t(data[2]) << 16) | (uint32_t(data[3]) << 24);
    if (version == 136 || version == 137) {
        // Older definitions are shorter: every word from the end of the stored body on is 0.
        for (int32_t at = (size / 2) * 2; at < kDataSize; ++at)
            data[size_t(at)] = 0;
        // Set last, so that even a body cut inside the version field reads as 138.
        data[0] = 138;
        data[1] = data[2] = data[3] = 0;
    }
    return data;
}

uint32_t CObjectDefinition::Version() const {
    return uint32_t(m_data[0]) | (uint32_t(m_data[1]) << 8) | (uint32_t(m_data[2]) << 16) |
           (uint32_t(m_data[3]) << 24);
}

int16_t CObjectDefinition::Word(int32_t offset) const {
    if (offset < 0 || offset + 1 >= kDataSize) return 0;
    return int16_t(uint16_t(m_data[size_t(offset)] | (m_data[size_t(offset) + 1] << 8)));
}

CObjectSet::CObjectSet() {
    InstallStringTableReader();
}

CObjectSet::~CObjectSet() {
    m_masters.clear();
    m_definitions.clear();
    CloseFile();
}

void CObjectSet::SetResourceFile(std::unique_ptr<CResourceFile> file) {
    m_masters.clear();
    m_definitions.clear();
    CloseFile();
    m_file = std::move(file);
}

int32_t CObjectSet::CloseFile() {
    if (!m_file) return 0;
    const int32_t status = m_file->IsOpen() ? m_file->Close() : 0;
    m_file.reset();
    return status;
}

CObjectDefinition* CObjectSet::FindDefinition(int32_t id) const {
    for (const auto& d : m_definitions)
        if (d->Id() == id) return d.get();
    return nullptr;
}

void CObjectSet::LoadDefinitions() {
    m_masters.clear();
    m_definitions.clear();
    if (!m_file) return;
    const int16_t n = m_file->CountChunks(kTypeOBJD);
    for (int32_t k = 1; k <= n; ++k) {
        CHeldChunk chunk(*m_file, m_file->GetChunkAt(kTypeOBJD, k, nullptr));
        if (!chunk) continue;
        int16_t id = 0;
        m_file->GetId(chunk.Get(), id);
        CFixedString<64> label;
        m_file->GetLabel(chunk.Get(), label);
        m_definitions.push_back(std::make_unique<CObjectDefinition>(*this, id, label.Text(),
                                                                    chunk->Body(), chunk->Size()));
    }
    int32_t counter = 0;
    for (const auto& d : m_definitions) {
        if (d->IsMaster()) {
            d->m_masterIndex = counter++;
            m_masters.push_back(d.get());
            continue;
        }
        for (const auto& m : m_definitions) {
            if (m->MasterId() != 0 && m->SubIndex() == -1 && m->MasterId() == d->MasterId()) {
                d->m_master = m.get();
                m->m_parts.push_back(d.get());
                break;
            }
        }
    }
}
