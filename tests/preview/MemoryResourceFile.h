// A resource file held in memory, for building chunks by hand in tests.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/BoundedString.h"
#include "resource/ResourceFile.h"

class CMemoryResourceFile : public CResourceFile {
public:
    struct Stored {
        std::vector<uint8_t> body;
        std::string label;
        bool native = true;
    };

    void Put(uint32_t type, int16_t id, std::vector<uint8_t> body, bool native = true,
             std::string label = {}) {
        m_chunks[{type, id}] = Stored{std::move(body), std::move(label), native};
    }
    // Fetches currently attached (not yet released).
    int Outstanding() const { return int(m_attached.size()); }
    int Fetches() const { return m_fetches; }

    ~CMemoryResourceFile() override {
        for (auto& [chunk, key] : m_attached)
            CChunk::Free(chunk);
    }

    int32_t Create(const char*) override { return SetError(kResErrUnsupported); }
    int32_t Delete(const char*) override { return SetError(kResErrUnsupported); }
    int32_t Open(const char*) override { return SetError(kResErrUnsupported); }
    int32_t Suspend() override { return 0; }
    int32_t Resume() override { return 0; }
    int32_t Close() override { return SetError(0); }
    int32_t Flush() override { return SetError(0); }
    bool IsWritable() override { return false; }
    int32_t GetFileName(CBoundedString& out) override {
        out.Clear();
        return 0;
    }
    bool IsOpen() override { return true; }
    int16_t CountTypes() override { return 0; }
    uint32_t GetTypeAt(int32_t) override {
        SetError(kResErrTypeIndex);
        return 0;
    }
    int16_t CountChunks(uint32_t) override { return 0; }
    CChunk* GetChunk(uint32_t type, int16_t id, ByteOrderRoutine routine) override {
        auto it = m_chunks.find({type, id});
        if (it == m_chunks.end()) {
            SetError(kResErrNoChunk);
            return nullptr;
        }
        ++m_fetches;
        CChunk* chunk = CChunk::Create(int32_t(it->second.body.size()));
        if (!it->second.body.empty())
            std::memcpy(chunk->Body(), it->second.body.data(), it->second.body.size());
        if (!it->second.native && routine) routine(chunk->Body(), chunk->Size());
        m_attached[chunk] = {type, id};
        SetError(0);
        return chunk;
    }
    CChunk* GetChunkByLabel(uint32_t, const CBoundedString&, ByteOrderRoutine) override {
        SetError(kResErrUnknownChunk);
        return nullptr;
    }
    CChunk* GetChunkAt(uint32_t, int32_t, ByteOrderRoutine) override {
        SetError(kResErrNoChunk);
        return nullptr;
    }
    int32_t DescribeChunkAt(uint32_t, int32_t, ChunkFacts&) override {
        return SetError(kResErrNoChunk);
    }
    CChunk* GetChunkVariant(uint32_t, int16_t, int32_t, ByteOrderRoutine) override {
        SetError(kResErrNoVariants);
        return nullptr;
    }
    int32_t GetLabel(CChunk* chunk, CBoundedString& out) override {
        auto it = m_attached.find(chunk);
        if (it == m_attached.end()) return SetError(kResErrNoChunk);
        out.Assign(m_chunks[it->second].label.c_str());
        return SetError(0);
    }
    uint32_t GetType(CChunk*) override { return 0; }
    int32_t GetId(CChunk*, int16_t& id) override {
        id = 0;
        return SetError(kResErrUnsupported);
    }
    int32_t Reserved22(CChunk*, uint16_t& out) override {
        out = 0;
        return SetError(kResErrUnsupported);
    }
    int32_t GetVariant(CChunk*) override { return 0; }
    int32_t MakeLabelUnique(uint32_t, CBoundedString&) override { return 0; }
    int16_t NextFreeId(uint32_t) override { return 129; }
    int32_t Release(CChunk* chunk) override {
        if (m_attached.erase(chunk) == 0) return SetError(kResErrNoChunk);
        return SetError(0);
    }
    int32_t Reserved27(CChunk*) override { return SetError(kResErrUnsupported); }
    bool IsNative(CChunk*) override { return true; }
    int32_t SetId(CChunk*, int16_t) override { return SetError(kResErrUnsupported); }
    int32_t AddChunk(CChunk*, uint32_t, int16_t, const CBoundedString&, bool) override {
        return SetError(kResErrUnsupported);
    }
    int32_t AddChunkVariant(CChunk*, uint32_t, int16_t, const CBoundedString&, int32_t,
                            bool) override {
        return SetError(kResErrUnsupported);
    }
    int32_t WriteChunk(CChunk*) override { return SetError(kResErrUnsupported); }
    int32_t DeleteChunk(CChunk*) override { return SetError(kResErrUnsupported); }
    int32_t SetIdAndLabel(CChunk*, int16_t, const CBoundedString&, int32_t) override {
        return SetError(kResErrUnsupported);
    }

private:
    std::map<std::pair<uint32_t, int16_t>, Stored> m_chunks;
    std::map<CChunk*, std::pair<uint32_t, int16_t>> m_attached;
    int m_fetches = 0;
};
