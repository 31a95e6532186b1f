#include "model/TreeTable.h"

#include <memory>
#include <string>

#include "common/BoundedString.h"
#include "model/StringTable.h"
#include "resource/HeldChunk.h"
#include "resource/ResourceFile.h"
#include "stream/FieldStream.h"

namespace {

constexpr int32_t kMaxEntries = 32767;

void SetMotiveValue(CTreeTableEntry& e, int32_t motive, int16_t value, int32_t tableMotives) {
    // min is still 0 here, so the value becomes the max.
    if (motive >= 0 && motive < tableMotives) e.motives[size_t(motive)].delta = value;
}

} // namespace

CTreeTableEntry::CTreeTableEntry(int32_t tableMotiveCount)
    : motiveCount(tableMotiveCount), motives(size_t(tableMotiveCount > 0 ? tableMotiveCount : 0)) {}

CTreeTable::CTreeTable(int32_t motiveCount) : m_motiveCount(motiveCount > 0 ? motiveCount : 0) {
    InstallStringTableReader();
}

CTreeTableEntry* CTreeTable::Entry(int32_t index) {
    return index >= 0 && index < Count() ? &m_entries[size_t(index)] : nullptr;
}

const CTreeTableEntry* CTreeTable::Entry(int32_t index) const {
    return index >= 0 && index < Count() ? &m_entries[size_t(index)] : nullptr;
}

CTreeTableEntry& CTreeTable::AddEntry() {
    return m_entries.emplace_back(m_motiveCount);
}

float CTreeTable::EffectiveAttenuation(const CTreeTableEntry& entry) {
    switch (entry.attenuationLevel) {
    case 0:
        return entry.attenuationValue;
    case 1:
        return 0.0f;
    case 2:
        return 0.002f;
    case 4:
        return 0.1f;
    default:
        return 0.02f;
    }
}

void CTreeTable::ReadEntry(CFieldStream& in, CTreeTableEntry& e, int32_t version,
                           int32_t position) {
    if (version < 0) {
        e.stringIndex = position;
        return;
    }
    if (version >= 6) {
        in.Words(&e.actionId, 1);
        in.Words(&e.guardId, 1);
        in.Longs(&e.motiveCount, 1);
        in.Longs(&e.flags, 1);
        in.Longs(&e.stringIndex, 1);
        in.Longs(&e.attenuationLevel, 1);
        in.RawLongs(&e.attenuationValue, 1);
        in.Longs(&e.autonomyThreshold, 1);
        in.Longs(&e.extraValue, 1);
        // Every stored record is kept, also past the table's motive count, so that a save
        // writes back exactly what was read. A short body ends the loop.
        for (int32_t k = 0; k < e.motiveCount && !in.IsShort(); ++k) {
            MotiveRecord r;
            in.Words(&r.min, 1);
            in.Words(&r.delta, 1);
            in.Words(&r.personality, 1);
            if (size_t(k) < e.motives.size())
                e.motives[size_t(k)] = r;
            else
                e.motives.push_back(r);
        }
        if (version == 7) in.Text(e.name);
        return;
    }
    in.Words(&e.actionId, 1);
    if (version >= 1) in.Words(&e.guardId, 1);
    int16_t n = 0;
    in.Words(&n, 1);
    if (version <= 1) {
        for (int32_t k = 0; k < n && !in.IsShort(); ++k) {
            int16_t motive = 0, value = 0;
            in.Words(&motive, 1);
            in.Words(&value, 1);
            SetMotiveValue(e, motive, value, m_motiveCount);
        }
        e.stringIndex = position;
        return;
    }
    e.attenuationLevel = 0;
    if (version == 2) {
        in.RawLongs(&e.attenuationValue, 1);
        int16_t unused = 0;
        in.Words(&unused, 1);
    } else if (version == 3) {
        int16_t flags = 0;
        in.Words(&flags, 1);
        e.flags = uint32_t(int32_t(flags));
        in.RawLongs(&e.attenuationValue, 1);
    } else {
        in.Longs(&e.flags, 1);
        in.Longs(&e.stringIndex, 1);
        in.RawLongs(&e.attenuationValue, 1);
        in.Longs(&e.autonomyThreshold, 1);
        if (version == 5) in.Longs(&e.extraValue, 1);
    }
    for (int32_t k = 0; k < n && !in.IsShort(); ++k) {
        int16_t value = 0;
        in.Words(&value, 1);
        SetMotiveValue(e, k, value, m_motiveCount);
    }
    if (version < 4) e.stringIndex = position;
}

void CTreeTable::WriteAll(CFieldStream& out) {
    int16_t count = int16_t(Count());
    int16_t version = 9;
    uint8_t packed = 1;
    out.Words(&count, 1);
    out.Words(&version, 1);
    out.Flag(packed);
    out.EnablePacking();
    for (CTreeTableEntry& e : m_entries) {
        out.Words(&e.actionId, 1);
        out.Words(&e.guardId, 1);
        out.Longs(&e.motiveCount, 1);
        out.Longs(&e.flags, 1);
        out.Longs(&e.stringIndex, 1);
        out.Longs(&e.attenuationLevel, 1);
        out.RawLongs(&e.attenuationValue, 1);
        out.Longs(&e.autonomyThreshold, 1);
        out.Longs(&e.extraValue, 1);
        for (int32_t k = 0; k < e.motiveCount; ++k) {
            // A count raised past the records held writes empty records, keeping the stream whole.
            MotiveRecord r = size_t(k) < e.motives.size() ? e.motives[size_t(k)] : MotiveRecord{};
            out.Words(&r.min, 1);
            out.Words(&r.delta, 1);
            out.Words(&r.personality, 1);
        }
    }
}

int32_t CTreeTable::NameFromStrings(bool fallBacks) {
    CStringTable strings;
    strings.Configure(m_file, CStringTable::kTypeTTAs, m_id, false, CStringTable::kDefaultLanguage);
    const int32_t loaded = strings.Load(false, true);
    // Without a TTAs the entries keep empty names; one that is there but cannot be read must not
    // be replaced by them on the next save.
    if (loaded == kResErrNoChunk || loaded == kResErrUnknownChunk) return 0;
    if (loaded != 0) return loaded;
    for (CTreeTableEntry& e : m_entries) {
        const char* text = e.stringIndex < INT32_MAX ? strings.GetText(e.stringIndex + 1) : nullptr;
        if (!fallBacks) {
            if (text) e.name = text;
            continue;
        }
        if (text && *text) {
            e.name = text;
            continue;
        }
        e.name = FallbackName(*m_file, e).c_str();
    }
    return 0;
}

std::string CTreeTable::FallbackName(CResourceFile& file, const CTreeTableEntry& e) {
    CFixedString<64> label;
    if (CHeldChunk bhav(file, file.GetChunk(kTypeBHAV, e.actionId, nullptr)); bhav)
        file.GetLabel(bhav.Get(), label);
    if (label.Length() == 0) {
        label.Assign("?");
        label.AppendInt(e.actionId);
    }
    return label.Text();
}

int32_t CTreeTable::Load(CResourceFile* file, int16_t id) {
    if (!file || !file->IsOpen() || id == 0) return -1;
    m_entries.clear();
    m_label.Clear();
    m_storedVersion = 0;
    m_truncated = false;
    m_storedCount = 0;
    m_upgradeStatus = 0;
    CHeldChunk chunk(*file, file->GetChunk(kTypeTTAB, id, nullptr));
    if (!chunk) return kErrNoTable;
    m_file = file;
    m_id = id;

    CFieldStream in(static_cast<const void*>(chunk->Body()), chunk->Size());
    int16_t count = 0, version = 0;
    in.Words(&count, 1);
    in.Words(&version, 1);
    m_storedCount = count > 0 ? count : 0;
    if (version >= 9) {
        uint8_t packed = 0;
        in.Flag(packed);
        if (packed) in.EnablePacking();
    }
    if (version == 7) in.AttachStringTable(file, CStringTable::kTypeTTAs, id, StringTableFactory());
    m_truncated = in.IsShort();
    for (int32_t i = 0; i < count && !m_truncated; ++i) {
        CTreeTableEntry e(m_motiveCount);
        ReadEntry(in, e, version, i);
        // An entry cut off by the end of the body is dropped; the complete ones stay.
        m_truncated = in.IsShort();
        if (!m_truncated) m_entries.push_back(std::move(e));
    }
    in.Finish();
    m_storedVersion = version;

    CFixedString<64> label;
    file->GetLabel(chunk.Get(), label);
    m_label = label.Text();
    // Given back at once; a fetched chunk already has its place, so this writes nothing.
    (void)chunk.Release();

    int32_t named = 0;
    if (version >= 8) {
        named = NameFromStrings(true);
    } else if (file->IsWritable() && !m_truncated) {
        // (A damaged body is left as it is rather than rewritten from what could be read.)
        // Names of older tables live only in the TTAs: take them first, so that the upgrade
        // does not overwrite stored names with empty ones.
        if (version < 7) named = NameFromStrings(false);
        if (named == 0) m_upgradeStatus = Save(m_label.Text());
    }
    if (named != 0) {
        // A table whose names could not be read is not offered for editing: saving it would
        // store fall-back names over the real ones.
        m_entries.clear();
        m_file = nullptr;
        m_id = 0;
        return named;
    }
    return 0;
}

int32_t CTreeTable::SaveAs(CResourceFile* file, int16_t id, const char* label) {
    m_lastSave = SaveProgress{};
    if (id <= 0 || !file || !file->IsOpen()) return -1;
    if (Count() > kMaxEntries) return -1;
    // Said at once: a set of read-only files would otherwise answer the replacement of the
    // stored chunk with "no such chunk".
    if (!file->IsWritable()) return kResErrNotWritable;
    // Both bodies are made before either is written, so that a table whose names cannot be
    // stored is not saved half.
    CFieldStream measure;
    WriteAll(measure);
    measure.Finish();
    if (measure.IsShort()) return -1;
    std::unique_ptr<CChunk, CChunkFree> table(CChunk::Create(measure.Position()));
    if (!table) return kResErrNoMemory;
    m_file = file;
    m_id = id;
    CFieldStream out(table->Body(), table->Size(), CFieldStream::Mode::Write);
    WriteAll(out);
    out.Finish();

    CStringTable strings;
    strings.Configure(file, CStringTable::kTypeTTAs, id, false, CStringTable::kDefaultLanguage);
    strings.Load(false, true); // a missing chunk leaves it empty; PrepareSave reports a failed read
    for (const CTreeTableEntry& e : m_entries) {
        if (e.stringIndex < 0 || e.stringIndex >= kMaxEntries) {
            // Such an entry has no place in the names table and is shown under its fall-back
            // name; a name of its own cannot be stored, and is not dropped in silence.
            if (!e.name.Empty() && std::string(e.name.Text()) != FallbackName(*file, e))
                return kErrNameHasNoPlace;
            continue;
        }
        strings.PadTo(e.stringIndex);
        const int32_t at = e.stringIndex + 1;
        strings.SetText(at, e.name.Text());
        const char* stored = strings.GetComment(at);
        const std::string c = stored ? stored : "";
        const bool marked = !c.empty() && c[0] == '!';
        const bool flagged = (e.flags & kCommentMarkFlag) != 0;
        std::string n;
        if (marked && !flagged) {
            n.assign(c.size() > 1 ? c.c_str() + 1 : " ");
        } else if (!marked && flagged) {
            n.push_back('!');
            n.append(c);
        } else {
            n = c;
        }
        if (n != c) strings.SetComment(at, n.c_str());
    }
    std::unique_ptr<CChunk, CChunkFree> names;
    if (int32_t e = strings.PrepareSave(names)) return e;

    CFixedString<64> chunkLabel(label ? label : "");
    if (int32_t e = file->AddChunk(table.get(), kTypeTTAB, id, chunkLabel, true))
        return e; // not attached: the file refused it
    // A failed write keeps the handle in the file, which tries again on Flush or Close.
    if (int32_t e = file->ReleaseChunk(table.release())) return e;
    m_lastSave.table = true;
    if (int32_t e = strings.WritePrepared(std::move(names))) return e;
    m_lastSave.names = true;
    return 0;
}

int32_t CTreeTable::Save(const char* label) {
    if (!m_file || m_id == 0) return -1;
    return SaveAs(m_file, m_id, label);
}
