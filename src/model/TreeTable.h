// The interactions an object offers: a TTAB chunk (versions 0..9 read, packed version 9 written)
// whose entry names live in the TTAs string table of the same id, one set per language.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/TGString.h"

class CResourceFile;
class CFieldStream;

struct MotiveRecord {
    int16_t personality = 0; // index into the behaviour file's personality list
    int16_t min = 0;
    int16_t delta = 0; // max = min + delta
};

class CTreeTableEntry {
public:
    explicit CTreeTableEntry(int32_t tableMotiveCount);

    int16_t guardId = 0;
    int16_t actionId = 0; // BHAV routine that runs the interaction
    int32_t motiveCount;  // records in use; stored and written back as read
    // At least the table's motive count records; more when the stored count was larger.
    std::vector<MotiveRecord> motives;
    uint32_t attenuationLevel = 3; // 0: attenuationValue; 1..4: presets
    float attenuationValue = 0.0f;
    uint32_t flags = 0;
    int32_t stringIndex = 0; // the name is TTAs string stringIndex + 1
    uint32_t autonomyThreshold = 50;
    int32_t extraValue = -1;
    CTGString name; // in the current language
};

class CTreeTable {
public:
    static constexpr uint32_t kTypeTTAB = 0x54544142; // TTAB
    static constexpr uint32_t kTypeBHAV = 0x42484156; // BHAV
    static constexpr int32_t kErrNoTable = -99;
    // SaveAs: an entry whose string index lies outside 0..32766 was given a name of its own,
    // which the names table has no place for.
    static constexpr int32_t kErrNameHasNoPlace = -3;
    // Flag bit mirrored as a leading "!" in the TTAs comment of the entry's name.
    static constexpr uint32_t kCommentMarkFlag = 0x80;

    explicit CTreeTable(int32_t motiveCount);
    CTreeTable(const CTreeTable&) = delete;
    CTreeTable& operator=(const CTreeTable&) = delete;

    // 0; -1 without an open file or for id 0; -99 without a TTAB chunk of that id; the file's
    // error when the TTAs with the names is there but cannot be read (the table is then empty).
    // A table stored below version 8 in a writable file is saved again at once as version 9.
    int32_t Load(CResourceFile* file, int16_t id);
    // Writes packed version 9, then the names and comment marks into the TTAs of the same id
    // in the current language. Both bodies are made first: nothing is written unless both can
    // be. 0; -1 for id <= 0, without an open file or with more than 32767 entries; -45 for a
    // file open read-only; -2
    // (CStringTable::kErrTooManyStrings) when the names would exceed the TTAs's count; -200
    // when a body cannot be allocated; else the file's error, from reading the TTAs or writing
    // the TTAB or its TTAs (LastSave says which reached the disk).
    int32_t SaveAs(CResourceFile* file, int16_t id, const char* label);
    // SaveAs with the file and id of the last Load or SaveAs; -1 without them.
    int32_t Save(const char* label);

    int32_t Count() const { return int32_t(m_entries.size()); }
    int32_t MotiveCount() const { return m_motiveCount; }
    // nullptr outside 0..Count - 1.
    CTreeTableEntry* Entry(int32_t index);
    const CTreeTableEntry* Entry(int32_t index) const;
    std::vector<CTreeTableEntry>& Entries() { return m_entries; }
    const std::vector<CTreeTableEntry>& Entries() const { return m_entries; }
    // A new entry of this table's motive count, appended.
    CTreeTableEntry& AddEntry();

    CResourceFile* File() const { return m_file; }
    int16_t Id() const { return m_id; }
    // What the last Load found: the TTAB's label, its stored version, whether its body ended
    // before all stored entries were read, and the result of the upgrade save (0 when none ran).
    const CTGString& Label() const { return m_label; }
    int32_t StoredVersion() const { return m_storedVersion; }
    bool WasTruncated() const { return m_truncated; }
    // The entry count the stored table claims (Count() is what could be read).
    int32_t StoredCount() const { return m_storedCount; }
    int32_t UpgradeStatus() const { return m_upgradeStatus; }

    // What the last SaveAs put on disk before it returned: the TTAB, and the names in its TTAs.
    struct SaveProgress {
        bool table = false;
        bool names = false;
    };
    const SaveProgress& LastSave() const { return m_lastSave; }

    static float EffectiveAttenuation(const CTreeTableEntry& entry);

private:
    void ReadEntry(CFieldStream& in, CTreeTableEntry& e, int32_t version, int32_t position);
    void WriteAll(CFieldStream& out);
    // 0, or the error of a TTAs that is there but cannot be read.
    int32_t NameFromStrings(bool fallBacks);
    // The name shown for an entry without a string: its routine's label, else "?" and its id.
    static std::string FallbackName(CResourceFile& file, const CTreeTableEntry& e);

    int32_t m_motiveCount;
    std::vector<CTreeTableEntry> m_entries;
    CResourceFile* m_file = nullptr;
    int16_t m_id = 0;
    CTGString m_label;
    int32_t m_storedVersion = 0;
    bool m_truncated = false;
    int32_t m_storedCount = 0;
    int32_t m_upgradeStatus = 0;
    SaveProgress m_lastSave;
};
