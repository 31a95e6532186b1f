#include "resource/StoredObject.h"

#include "common/BoundedString.h"
#include "resource/IffFormat.h"
#include "resource/ResourceFile.h"
#include "stream/FieldStream.h"

namespace {

bool FillStored(uint8_t* body, int32_t streamSize, CStoredObject& object) {
    for (int i = 0; i < 4; ++i)
        body[i] = 0;
    iff::PutLE32(body + 4, 0);
    iff::PutLE32(body + 8, object.KindTag());
    CFieldStream out(body + iff::kStoredPrefix, streamSize, CFieldStream::Mode::Write, false);
    object.Serialize(out, 0);
    out.Finish();
    return !out.IsShort() && out.Position() == streamSize;
}

int32_t MeasureStored(CStoredObject& object) {
    CFieldStream measure;
    object.Serialize(measure, 0);
    if (measure.IsShort() || measure.Position() > iff::kMaxBodySize - iff::kStoredPrefix) return -1;
    return measure.Position();
}

} // namespace

CChunk* MakeStoredChunk(CStoredObject& object) {
    const int32_t streamSize = MeasureStored(object);
    if (streamSize < 0) return nullptr;
    CChunk* chunk = CChunk::Create(streamSize + iff::kStoredPrefix);
    if (!chunk) return nullptr;
    if (!FillStored(chunk->Body(), streamSize, object)) {
        CChunk::Free(chunk);
        return nullptr;
    }
    return chunk;
}

bool RefillStoredChunk(CChunk* chunk, CStoredObject& object) {
    const int32_t streamSize = MeasureStored(object);
    if (!chunk || streamSize < 0 || streamSize + iff::kStoredPrefix != chunk->Size()) return false;
    return FillStored(chunk->Body(), streamSize, object);
}

int32_t StoreObject(CResourceFile& file, CStoredObject& object, int16_t id) {
    CChunk* chunk = MakeStoredChunk(object);
    if (!chunk) return kResErrObject;
    CFixedString<2> noLabel;
    if (int32_t e = file.AddChunk(chunk, object.KindTag(), id, noLabel, true)) {
        CChunk::Free(chunk);
        return e;
    }
    // A failed write leaves the new body attached and unwritten: the table stored before stays
    // on disk, and the next flush or close tries again.
    if (int32_t e = file.WriteChunk(chunk)) return e;
    if (int32_t e = file.ReleaseChunk(chunk)) return e; // the file still owns the handle
    return kResOk;
}

void SwapStoredPrefix(uint8_t* body, int32_t size) {
    if (size < iff::kStoredPrefix) return;
    body[0] = 1;
    for (int w = 4; w < 12; w += 4) {
        uint8_t t = body[w];
        body[w] = body[w + 3];
        body[w + 3] = t;
        t = body[w + 1];
        body[w + 1] = body[w + 2];
        body[w + 2] = t;
    }
}

int32_t ReadStoredBody(const uint8_t* body, int32_t size, CStoredObject& object) {
    if (!body || size < iff::kStoredPrefix) return kResErrObject;
    const bool swap = body[0] != 0;
    const uint32_t raw = iff::GetLE32(body + 4);
    const int32_t version = int32_t(raw);
    CFieldStream in(static_cast<const void*>(body + iff::kStoredPrefix), size - iff::kStoredPrefix,
                    swap);
    object.Serialize(in, version);
    in.Finish();
    return in.IsShort() ? kResErrObject : kResOk;
}

int32_t LoadObject(CResourceFile& file, CStoredObject& object, int16_t id) {
    CChunk* chunk = file.GetChunk(object.KindTag(), id, SwapStoredPrefix);
    if (!chunk) return file.LastError() ? file.LastError() : kResErrNoChunk;
    const int32_t result = ReadStoredBody(chunk->Body(), chunk->Size(), object);
    if (int32_t e = file.ReleaseChunk(chunk)) return e;
    return result;
}
