// Tables the container keeps in its own chunks (the name map, the resource map) are stored
// through a serializer: a 12-byte prefix (byte-order marker, version, kind tag) and then a
// plain field stream.
#pragma once

#include <cstdint>

class CFieldStream;
class CResourceFile;
class CChunk;

class CStoredObject {
public:
    virtual ~CStoredObject() = default;
    virtual void Serialize(CFieldStream& stream, int32_t version) = 0;
    // The chunk type the object is stored as.
    virtual uint32_t KindTag() const = 0;
};

// Measures, writes and adds the object as chunk (KindTag, id) with an empty label, native.
// Returns 0 or a status (-1 when no handle could be made).
int32_t StoreObject(CResourceFile& file, CStoredObject& object, int16_t id);
// Fetches chunk (KindTag, id) and reads the object from it. Returns 0, the file's last error
// when there is no such chunk, or -1 when the body is too short for what it claims.
int32_t LoadObject(CResourceFile& file, CStoredObject& object, int16_t id);

// A new handle holding the object with its prefix; nullptr when it cannot be made.
CChunk* MakeStoredChunk(CStoredObject& object);
// Serializes the object again into a handle of the same size; false when the size changed.
bool RefillStoredChunk(CChunk* chunk, CStoredObject& object);

// Byte-order routine for stored bodies: marks the stream big-endian and swaps the prefix words.
void SwapStoredPrefix(uint8_t* body, int32_t size);
// Reads the object from a body that starts with the prefix; -1 when the body is short.
int32_t ReadStoredBody(const uint8_t* body, int32_t size, CStoredObject& object);
