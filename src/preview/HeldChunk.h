// Internal: gives a fetched chunk back to its file whatever happens while it is held.
#pragma once

#include "resource/ResourceFile.h"

class CHeldChunk {
public:
    CHeldChunk(CResourceFile& file, CChunk* chunk) : m_file(file), m_chunk(chunk) {}
    ~CHeldChunk() {
        if (m_chunk) m_file.ReleaseChunk(m_chunk);
    }
    CHeldChunk(const CHeldChunk&) = delete;
    CHeldChunk& operator=(const CHeldChunk&) = delete;

    CChunk* Get() const { return m_chunk; }
    explicit operator bool() const { return m_chunk != nullptr; }

private:
    CResourceFile& m_file;
    CChunk* m_chunk;
};
