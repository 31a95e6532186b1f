// Directory search over the system's own file search.
#include "platform/FileSearchSystem.h"

#include <windows.h>

#include <string>

namespace {

class CSystemSearch {
public:
    CSystemSearch(const std::string& pattern, WIN32_FIND_DATAA& data)
        : m_handle(FindFirstFileA(pattern.c_str(), &data)) {}
    ~CSystemSearch() {
        if (m_handle != INVALID_HANDLE_VALUE) FindClose(m_handle);
    }
    CSystemSearch(const CSystemSearch&) = delete;
    CSystemSearch& operator=(const CSystemSearch&) = delete;

    bool Found() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& data) { return FindNextFileA(m_handle, &data) != FALSE; }

private:
    HANDLE m_handle;
};

} // namespace

bool ListMatches(std::string_view dirPart, std::string_view namePart,
                 std::vector<FindFileData>& matches) {
    WIN32_FIND_DATAA data;
    CSystemSearch search(std::string(dirPart) + std::string(namePart), data);
    if (!search.Found()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        // The system also matches the pattern against generated short names ("*.iff" finding
        // "long.iffx" through "LONG~1.IFF"); only the names the user sees count.
        if (!WildcardMatch(namePart, data.cFileName)) continue;
        FindFileData found;
        found.fileName = data.cFileName;
        found.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!found.isDirectory)
            found.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        matches.push_back(std::move(found));
    } while (search.Next(data));
    return true;
}
