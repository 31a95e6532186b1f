#include "FileSearch.h"

#include <algorithm>
#include <vector>

#include "common/AsciiCase.h"
#include "platform/FileSearchSystem.h"

namespace {

// Pattern tokens beyond plain characters, after the platform's rewriting of the pattern.
enum : int {
    kStar = -1,    // '*': any run of characters
    kDosStar = -2, // '*' before '.': any run that does not take the name's final dot
    kDosQm = -3,   // '?': one character, or nothing at a dot or at the end of the name
    kDosDot = -4,  // '.' before a wildcard or at the end: a dot, or nothing at the end of the name
};

std::vector<int> Tokenise(std::string_view pattern) {
    std::vector<int> tokens;
    tokens.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const bool atEnd = i + 1 == pattern.size();
        if (c == '*')
            tokens.push_back(next == '.' ? kDosStar : kStar);
        else if (c == '?')
            tokens.push_back(kDosQm);
        else if (c == '.' && (next == '*' || next == '?' || atEnd))
            tokens.push_back(kDosDot);
        else
            tokens.push_back(AsciiLowerByte(c));
    }
    return tokens;
}

} // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    const std::vector<int> p = Tokenise(pattern);
    const std::size_t np = p.size();
    const std::size_t nn = name.size();
    const std::size_t lastDot = name.rfind('.');
    // match[pi][ni]: does p[pi..] match name[ni..]? Filled from the back, two rows at a time.
    std::vector<char> next(nn + 1, 0), cur(nn + 1, 0);
    next[nn] = 1; // empty pattern matches only the empty rest
    for (std::size_t pi = np; pi-- > 0;) {
        const int t = p[pi];
        for (std::size_t ni = nn + 1; ni-- > 0;) {
            const bool more = ni < nn;
            bool m = false;
            switch (t) {
            case kStar:
                m = next[ni] || (more && cur[ni + 1]);
                break;
            case kDosStar:
                m = next[ni] || (more && ni != lastDot && cur[ni + 1]);
                break;
            case kDosQm:
                m = (more && name[ni] != '.') ? next[ni + 1] : next[ni];
                break;
            case kDosDot:
                m = more ? (name[ni] == '.' && next[ni + 1]) : next[ni];
                break;
            default:
                m = more && AsciiLowerByte(name[ni]) == t && next[ni + 1];
                break;
            }
            cur[ni] = m ? 1 : 0;
        }
        next.swap(cur);
    }
    return next[0] != 0;
}

// The matches of one search, read when it starts and handed out in name order (names compared
// with ASCII letters folded to upper case, as the original file system lists them), so that the
// "first match" does not depend on the order the directory happens to be stored in.
struct CFindHandle::State {
    std::vector<FindFileData> matches;
    std::size_t next = 0;
};

CFindHandle::CFindHandle() noexcept = default;
CFindHandle::~CFindHandle() = default;
CFindHandle::CFindHandle(CFindHandle&& other) noexcept = default;
CFindHandle& CFindHandle::operator=(CFindHandle&& other) noexcept = default;

namespace {

bool NameOrder(const FindFileData& a, const FindFileData& b) {
    const std::string& x = a.fileName;
    const std::string& y = b.fileName;
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (AsciiUpper(x[i]) != AsciiUpper(y[i]))
            return static_cast<unsigned char>(AsciiUpper(x[i])) <
                   static_cast<unsigned char>(AsciiUpper(y[i]));
    if (x.size() != y.size()) return x.size() < y.size();
    return x < y;
}

bool Hand(CFindHandle::State& s, FindFileData& data) {
    if (s.next >= s.matches.size()) return false;
    data = s.matches[s.next++];
    return true;
}

} // namespace

CFindHandle FindFirstFile(std::string_view pattern, FindFileData& data) {
    CFindHandle handle;
    const std::size_t sep = pattern.find_last_of("\\/");
    const std::string_view dirPart =
        sep == std::string_view::npos ? std::string_view{} : pattern.substr(0, sep + 1);
    const std::string_view namePart =
        sep == std::string_view::npos ? pattern : pattern.substr(sep + 1);
    if (namePart.empty()) return handle;

    auto state = std::make_unique<CFindHandle::State>();
    if (!ListMatches(dirPart, namePart, state->matches)) return handle;
    if (state->matches.empty()) return handle;
    std::sort(state->matches.begin(), state->matches.end(), NameOrder);
    Hand(*state, data);
    handle.m_state = std::move(state);
    return handle;
}

bool FindNextFile(CFindHandle& handle, FindFileData& data) {
    if (!handle.m_state) return false;
    return Hand(*handle.m_state, data);
}

void FindClose(CFindHandle& handle) {
    handle.m_state.reset();
}
