// Labels of version 1.0 chunks: a map from name key to label, stored in the internal NAME chunk.
#pragma once

#include "resource/StoredObject.h"

#include <cstdint>
#include <string>
#include <vector>

class CNameMap : public CStoredObject {
public:
    struct Entry {
        int32_t key = 0;
        std::string label; // at most 63 characters
    };

    // Removes key's entry and, for a nonempty label, appends (key, label). Key -1 is ignored.
    void Set(int32_t key, const char* label);
    // (largest key, or 0) + 1; -1 when no key is left.
    int32_t NextKey() const;
    const Entry* Find(int32_t key) const;
    // Index of the first entry after 'after' whose label equals text ignoring ASCII case; -1 if
    // none.
    int32_t FindLabel(const char* text, int32_t after = -1) const;
    // Reads the legacy layout (key little-endian, length byte, text) up to the end of the body.
    void ReadLegacy(const uint8_t* body, int32_t size);
    void Clear() { m_entries.clear(); }
    const std::vector<Entry>& Entries() const { return m_entries; }

    void Serialize(CFieldStream& stream, int32_t version) override;
    uint32_t KindTag() const override;

    bool dirty = true;

private:
    std::vector<Entry> m_entries;
};
