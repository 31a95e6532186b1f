// An in-memory string table for stream tests.
#pragma once

#include "stream/FieldStream.h"

#include <map>
#include <memory>
#include <string>

struct MemoryTableStore {
    std::map<int32_t, std::string> strings; // what the "stored chunk" holds
    int loads = 0;
    int saves = 0;
    int created = 0;
    int32_t loadStatus = 0;
    int32_t saveStatus = 0;
};

class CMemoryStreamTable : public IStreamStringTable {
public:
    explicit CMemoryStreamTable(MemoryTableStore& store) : m_store(store) {}
    int32_t Load() override {
        ++m_store.loads;
        if (m_store.loadStatus == 0) m_strings = m_store.strings;
        return m_store.loadStatus;
    }
    int32_t Save() override {
        ++m_store.saves;
        if (m_store.saveStatus == 0)
            for (auto& [position, text] : m_strings)
                m_store.strings[position] = text;
        return m_store.saveStatus;
    }
    const char* GetText(int32_t position) override {
        auto it = m_strings.find(position);
        return it == m_strings.end() ? nullptr : it->second.c_str();
    }
    void SetText(int32_t position, const char* text) override { m_strings[position] = text; }

private:
    MemoryTableStore& m_store;
    std::map<int32_t, std::string> m_strings;
};

inline StreamStringTableFactory MemoryTableFactory(MemoryTableStore& store) {
    return [&store](CResourceFile*, uint32_t, int16_t) -> std::unique_ptr<IStreamStringTable> {
        ++store.created;
        return std::make_unique<CMemoryStreamTable>(store);
    };
}
