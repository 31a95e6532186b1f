// The code-page conversions over glibc's iconv. Descriptors are opened once per thread and code
// page and kept until the thread ends.
#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <utility>

namespace platform {

namespace {

std::string CharsetName(uint32_t codePage) {
    return "CP" + std::to_string(codePage);
}

class IconvCache {
public:
    IconvCache() = default;
    IconvCache(const IconvCache&) = delete;
    IconvCache& operator=(const IconvCache&) = delete;
    ~IconvCache() {
        for (auto& [key, cd] : m_open)
            if (cd != Invalid()) iconv_close(cd);
    }
    // toUnicode: from the code page to UTF-8; else from UTF-32 to the code page.
    iconv_t Get(uint32_t codePage, bool toUnicode) {
        const auto key = std::make_pair(codePage, toUnicode);
        auto it = m_open.find(key);
        if (it == m_open.end()) {
            const std::string cp = CharsetName(codePage);
            iconv_t cd =
                toUnicode ? iconv_open("UTF-8", cp.c_str()) : iconv_open(cp.c_str(), "UTF-32LE");
            it = m_open.emplace(key, cd).first;
        }
        if (it->second != Invalid()) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
        return it->second;
    }
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    std::map<std::pair<uint32_t, bool>, iconv_t> m_open;
};

IconvCache& Cache() {
    thread_local IconvCache cache;
    return cache;
}

// Runs the descriptor over in; appends what it produced to out. Returns the errno of a stop
// (0 when all of in was converted, state flushed), and leaves in at the byte it stopped at.
int Convert(iconv_t cd, std::string_view& in, std::string& out) {
    char buffer[256];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    for (;;) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, left ? &src : nullptr, left ? &left : nullptr, &dst, &room);
        const int error = r == size_t(-1) ? errno : 0;
        out.append(buffer, size_t(dst - buffer));
        if (error == E2BIG) continue;
        in = std::string_view(src, left);
        if (error) return error;
        if (left == 0) {
            // A converter that holds a character back (CP1255 composes) gives it up here.
            dst = buffer;
            room = sizeof buffer;
            iconv(cd, nullptr, nullptr, &dst, &room);
            out.append(buffer, size_t(dst - buffer));
            return 0;
        }
    }
}

} // namespace

bool CodePageAvailable(uint32_t codePage) {
    return Cache().Get(codePage, true) != IconvCache::Invalid() &&
           Cache().Get(codePage, false) != IconvCache::Invalid();
}

std::optional<std::string> DecodeCodePage(uint32_t codePage, std::string_view bytes,
                                          const InvalidByteText& invalid) {
    iconv_t cd = Cache().Get(codePage, true);
    if (cd == IconvCache::Invalid()) return std::nullopt;
    const char* const start = bytes.data();
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        if (Convert(cd, bytes, out) == 0) break;
        // EILSEQ or EINVAL (a sequence cut off by the end): the byte at the stop starts no
        // character. A character held back before it is given up first.
        char buffer[64];
        char* dst = buffer;
        size_t room = sizeof buffer;
        iconv(cd, nullptr, nullptr, &dst, &room);
        out.append(buffer, size_t(dst - buffer));
        if (bytes.empty()) break;
        out += invalid(static_cast<uint8_t>(bytes.front()), size_t(bytes.data() - start));
        bytes.remove_prefix(1);
    }
    return out;
}

std::optional<std::string> EncodeCodePoint(uint32_t codePage, char32_t codePoint) {
    iconv_t cd = Cache().Get(codePage, false);
    if (cd == IconvCache::Invalid()) return std::nullopt;
    const char unit[4] = {char(codePoint & 0xFF), char((codePoint >> 8) & 0xFF),
                          char((codePoint >> 16) & 0xFF), char((codePoint >> 24) & 0xFF)};
    std::string_view in(unit, sizeof unit);
    std::string out;
    if (Convert(cd, in, out) != 0) return std::nullopt;
    return out;
}

} // namespace platform
