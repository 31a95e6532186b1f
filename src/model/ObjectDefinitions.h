// The object definitions (OBJD chunks) of an object file, sorted into masters (one per object)
// and parts (the further tiles of a multi-tile object).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/TGString.h"

class CResourceFile;
class CObjectSet;

class CObjectDefinition {
public:
    static constexpr int32_t kDataSize = 216;

    CObjectDefinition(CObjectSet& owner, int16_t id, const char* name, const uint8_t* body,
                      int32_t size);

    // The body normalised to kDataSize bytes: version 136 and 137 become 138 with the words past
    // the stored body cleared; shorter bodies are zero-filled, longer ones cut.
    static std::array<uint8_t, kDataSize> Normalise(const uint8_t* body, int32_t size);

    CObjectSet& Owner() const { return *m_owner; }
    int32_t Id() const { return m_id; }
    int32_t MasterIndex() const { return m_masterIndex; } // -1 for a part
    const CTGString& Name() const { return m_name; }
    const std::array<uint8_t, kDataSize>& Data() const { return m_data; }

    // Fields of the data, little-endian at fixed offsets.
    uint32_t Version() const;
    int16_t BaseGraphicId() const { return Word(6); }
    int16_t GraphicCount() const { return Word(8); }
    int16_t TreeTableId() const { return Word(14); } // negative: no tree table
    int16_t MasterId() const { return Word(20); }    // 0: a single-tile object
    int16_t SubIndex() const { return Word(22); }    // -1: master of a multi-tile object
    int16_t PlacementLevel() const { return Word(112); }
    int16_t DynamicSpriteBaseId() const { return Word(128); }
    int16_t DynamicSpriteCount() const { return Word(130); }
    // Signed 16-bit word at a byte offset; 0 outside the data.
    int16_t Word(int32_t offset) const;

    bool IsMaster() const { return MasterId() == 0 || SubIndex() == -1; }
    CObjectDefinition* Master() const { return m_master; } // a part's master, or nullptr
    const std::vector<CObjectDefinition*>& Parts() const { return m_parts; }

    // Preview state, kept with the definition for the renderer.
    int32_t graphicIndex = 0;
    uint8_t opacity = 255;
    int32_t previewDepth = 0;

private:
    friend class CObjectSet;
    CObjectSet* m_owner;
    int32_t m_id;
    int32_t m_masterIndex = -1;
    CTGString m_name;
    std::array<uint8_t, kDataSize> m_data{};
    CObjectDefinition* m_master = nullptr;
    std::vector<CObjectDefinition*> m_parts;
};

class CObjectSet {
public:
    static constexpr uint32_t kTypeOBJD = 0x4F424A44; // OBJD

    CObjectSet();
    // Deletes the definitions, then closes and deletes the file.
    ~CObjectSet();
    CObjectSet(const CObjectSet&) = delete;
    CObjectSet& operator=(const CObjectSet&) = delete;

    // Takes ownership of an open file (closing and deleting any file held before).
    void SetResourceFile(std::unique_ptr<CResourceFile> file);
    CResourceFile* ResourceFile() const { return m_file.get(); }
    // Closes and deletes the file now and returns the close result (0 without a file).
    int32_t CloseFile();

    // Reads every OBJD chunk, replacing the definitions read before. Chunks the file cannot
    // deliver are skipped.
    void LoadDefinitions();

    const std::vector<std::unique_ptr<CObjectDefinition>>& Definitions() const {
        return m_definitions;
    }
    const std::vector<CObjectDefinition*>& Masters() const { return m_masters; }
    // The first definition with that OBJD id, or nullptr.
    CObjectDefinition* FindDefinition(int32_t id) const;

private:
    std::unique_ptr<CResourceFile> m_file;
    std::vector<std::unique_ptr<CObjectDefinition>> m_definitions;
    std::vector<CObjectDefinition*> m_masters;
};
