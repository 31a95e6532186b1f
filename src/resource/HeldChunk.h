// A fetched chunk given back to its file when its holder goes, whatever happens while it is held.
#pragma once

#include <cstdint>

#include "resource/ResourceFile.h"

class CHeldChunk {
public:
    CHeldChunk(CResourceFile& file, CChunk* chunk) : m_file(file), m_chunk(chunk) {}
    // A chunk fetched and not changed already has its place in the file: giving it back writes
    // nothing, so the status at scope end is not looked at. Call Release() where it matters.
    ~CHeldChunk() { (void)Release(); }
    CHeldChunk(const CHeldChunk&) = delete;
    CHeldChunk& operator=(const CHeldChunk&) = delete;

    CChunk* Get() const { return m_chunk; }
    CChunk* operator->() const { return m_chunk; }
    explicit operator bool() const { return m_chunk != nullptr; }

    // Gives the chunk back now; the file's status.
    [[nodiscard]] int32_t Release() {
        CChunk* chunk = m_chunk;
        m_chunk = nullptr;
        return chunk ? m_file.ReleaseChunk(chunk) : 0;
    }

private:
    CResourceFile& m_file;
    CChunk* m_chunk;
};
