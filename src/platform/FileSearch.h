// Directory search with the wildcard rules of the original platform: '*' and '?', "*.*" matching
// every name, names compared ignoring ASCII case. Patterns may use '\' or '/' as separators.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One entry reported by a search.
struct FindFileData {
    std::string fileName; // the name as stored on disk, without directory
    bool isDirectory = false;
    std::uint64_t size = 0;
};

// An open search. Owns the directory stream; it is closed when the handle goes away.
class CFindHandle {
public:
    CFindHandle() noexcept;
    ~CFindHandle();
    CFindHandle(CFindHandle&& other) noexcept;
    CFindHandle& operator=(CFindHandle&& other) noexcept;
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    bool IsValid() const noexcept { return m_state != nullptr; }
    explicit operator bool() const noexcept { return IsValid(); }

    struct State;

private:
    friend CFindHandle FindFirstFile(std::string_view, FindFileData&);
    friend bool FindNextFile(CFindHandle&, FindFileData&);
    friend void FindClose(CFindHandle&);
    std::unique_ptr<State> m_state;
};

// Starts a search: PATTERN is a directory part followed by a name pattern. The handle is invalid
// when nothing matches or the directory cannot be read; otherwise DATA holds the first match.
// Matches come in name order, letters compared as upper case; "." and ".." are listed too.
CFindHandle FindFirstFile(std::string_view pattern, FindFileData& data);

// Next match of an open search; false (and the search stays at its end) when there is none.
bool FindNextFile(CFindHandle& handle, FindFileData& data);

// Ends the search early; the handle becomes invalid.
void FindClose(CFindHandle& handle);

// True when NAME matches the name pattern PATTERN under the wildcard rules above.
bool WildcardMatch(std::string_view pattern, std::string_view name);
