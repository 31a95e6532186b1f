// Directory lists as the settings hold them.
#include <string>

#include "dirsearch/DirectoryLookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    DirectoryList dirs = ParseDirectoryList(text.c_str());
    size_t total = 0;
    for (const CTGString& dir : dirs)
        total += dir.Length();
    (void)total;
    return 0;
}
