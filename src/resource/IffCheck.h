// Consistency check of an IFF file, made by scanning every chunk header independently of any
// resource map, then comparing the map (if any) with the scan. Never writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IffCheckReport {
    bool opened = false; // false: the file could not be opened (the platform's failure says why)
    int32_t version = 0; // 0x100 for 1.0, 0x200 / 0x205 for 2.x; 0 when the header is unknown
    int32_t length = 0;  // file length in bytes
    int32_t chunks = 0;  // used chunks met by the scan (maps and internal chunks included)
    int32_t freeChunks = 0;
    int64_t freeBytes = 0;   // sum of the free chunks' sizes
    int32_t mapOffset = 0;   // 2.5 header's map offset
    int32_t mapEntries = -1; // entries of a readable map; -1 when there is none
    // Offset of the first header at which the chain breaks before the end of the file (-1: the
    // chain reaches the end). interruptedTail: what lies there is only the remains of a chunk
    // being appended when a write stopped (the next save drops it); otherwise the file is damaged
    // and is never written.
    int32_t chainBreak = -1;
    bool interruptedTail = false;
    std::vector<std::string> problems;
};

// True when no problem was found.
bool CheckIffFile(const char* path, IffCheckReport& report);
