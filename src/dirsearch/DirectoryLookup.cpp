#include "dirsearch/DirectoryLookup.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <string>
#include <string_view>

#include "common/AsciiCase.h"
#include "platform/FileSearch.h"

namespace {

constexpr uint32_t kMaxEntryLength = 255;
constexpr std::size_t kMaxLabelLength = 255;

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view View(const CTGString& s) {
    return {s.Text(), s.Length()};
}

CTGString Str(std::string_view s) {
    return CTGString(s.data(), static_cast<uint32_t>(s.size()));
}

// The part of a name after "#id#" (the whole name when it does not start with '#').
std::string_view AfterIdPrefix(std::string_view name) {
    if (name.empty() || name[0] != '#') return name;
    const std::size_t second = name.find('#', 1);
    return second == std::string_view::npos ? std::string_view{} : name.substr(second + 1);
}

// The id written between the first two '#' of a name; kNoChunkId when it is not a number that
// fits in 32 bits.
int32_t IdFromName(std::string_view name) {
    if (name.size() < 2 || name[0] != '#') return kNoChunkId;
    const std::size_t second = name.find('#', 1);
    if (second == std::string_view::npos) return kNoChunkId;
    std::string_view digits = name.substr(1, second - 1);
    bool negative = false;
    if (!digits.empty() && digits[0] == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 10) return kNoChunkId;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return kNoChunkId;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value <= INT32_MIN || value > INT32_MAX) return kNoChunkId;
    return static_cast<int32_t>(value);
}

// The label written in a name: after the second '#' up to the first '.'.
CTGString LabelFromName(std::string_view name) {
    std::string_view rest = AfterIdPrefix(name);
    rest = rest.substr(0, std::min(rest.find('.'), kMaxLabelLength));
    return Str(rest);
}

// Packs up to four characters into a type code, first character in the high byte.
uint32_t PackType(std::string_view letters) {
    uint32_t type = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const uint32_t byte = i < letters.size() ? static_cast<unsigned char>(letters[i]) : 0;
        type = (type << 8) | byte;
    }
    return type;
}

// The extension of a name when it has one to three characters after its last dot.
std::string_view ShortExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::size_t len = name.size() - dot - 1;
    return (len >= 1 && len <= 3) ? name.substr(dot + 1) : std::string_view{};
}

// A label that cannot be part of a file name in one directory never matches a chunk file.
bool UsableLabel(std::string_view label) {
    return label.find_first_of("\\/*?") == std::string_view::npos;
}

std::string IdText(int32_t id) {
    return std::to_string(id);
}

// Fills chunk from an opened file.
int OpenInto(const std::string& path, uint32_t type, int32_t id, CTGString label,
             DirectoryChunk& chunk) {
    std::unique_ptr<CChunkFile> file;
    const int status = OpenChunkFile(path.c_str(), file);
    if (status != kDirFound) return status;
    chunk.size = file->Size();
    chunk.file = std::move(file);
    chunk.label = std::move(label);
    chunk.type = type;
    chunk.id = id;
    return kDirFound;
}

// Calls visit(dir, name) for every file (not folder) in the search directories, in their order.
template <class Visit> void ForEachFile(const DirectoryList& dirs, Visit&& visit) {
    for (const CTGString& dir : dirs) {
        FindFileData data;
        CFindHandle search = FindFirstFile(std::string(View(dir)) + "*.*", data);
        if (!search) continue;
        do {
            if (!data.isDirectory) visit(dir, std::string_view(data.fileName));
        } while (FindNextFile(search, data));
    }
}

} // namespace

CChunkFile::~CChunkFile() {
    if (m_file != kNoPlatformFile) PlatformFiles().Close(m_file);
}

bool CChunkFile::ReadAll(void* buf) {
    IPlatformFiles& files = PlatformFiles();
    if (files.Seek(m_file, 0) != 0) return false;
    auto* out = static_cast<unsigned char*>(buf);
    int64_t done = 0;
    while (done < m_size) {
        const int64_t got = files.Read(m_file, out + done, m_size - done);
        if (got <= 0) return false;
        done += got;
    }
    return true;
}

uint32_t LeftAlignType(uint32_t type) {
    if (type < 0x100u) return type << 24;
    if (type < 0x10000u) return type << 16;
    if (type < 0x1000000u) return type << 8;
    return type;
}

CTGString ChunkFileExtension(uint32_t type) {
    type = LeftAlignType(type);
    if (type == kAnyChunkType) return CTGString(".*");
    CTGString ext(".");
    for (int shift = 24; shift >= 8; shift -= 8) {
        const char c = static_cast<char>((type >> shift) & 0xFFu);
        if (c == '\0') break;
        ext.AppendChar(c);
    }
    return ext;
}

DirectoryList ParseDirectoryList(const char* text) {
    DirectoryList dirs;
    if (!text) return dirs;
    std::string_view rest(text);
    if (!rest.empty() && rest[0] == ';') {
        dirs.emplace_back(); // the working directory, as written
        rest.remove_prefix(1);
    }
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        std::string entry(rest.substr(0, std::min<std::size_t>(end, kMaxEntryLength)));
        std::replace(entry.begin(), entry.end(), '/', '\\');

        const bool absolute =
            entry.size() > 2 && IsLetter(entry[0]) && entry[1] == ':' && entry[2] == '\\';
        // A rooted entry stays rooted: ".\" in front of it would make it relative.
        const bool rooted = !entry.empty() && entry[0] == '\\';
        const bool network =
            entry.size() >= 3 && entry[0] == '\\' && entry[1] == '\\' && IsLetter(entry[2]);
        if (!absolute && !rooted && !network && entry != "." && entry.rfind(".\\", 0) != 0)
            entry.insert(0, ".\\");
        if (entry.empty() || entry.back() != '\\') entry.push_back('\\');
        dirs.push_back(Str(entry));

        if (end == rest.size()) break;
        rest.remove_prefix(end + 1);
        while (!rest.empty() && IsBlank(rest[0]))
            rest.remove_prefix(1);
    }
    return dirs;
}

bool CheckDirectories(const DirectoryList& dirs) {
    if (dirs.empty()) return false;
    for (const CTGString& dir : dirs) {
        FindFileData data;
        CFindHandle search = FindFirstFile(std::string(View(dir)) + "*.*", data);
        if (!search) return false;
    }
    return true;
}

int FindChunkById(const DirectoryList& dirs, uint32_t type, int32_t id, DirectoryChunk& chunk) {
    type = LeftAlignType(type);
    const std::string ext(View(ChunkFileExtension(type)));
    for (const CTGString& dir : dirs) {
        const std::string base(View(dir));
        FindFileData data;
        CFindHandle search = FindFirstFile(base + "#" + IdText(id) + "#*" + ext, data);
        if (!search) continue;
        return OpenInto(base + data.fileName, type, id, LabelFromName(data.fileName), chunk);
    }
    return kDirNotFound;
}

int FindChunkByLabel(const DirectoryList& dirs, uint32_t type, const char* label, int32_t id,
                     DirectoryChunk& chunk) {
    type = LeftAlignType(type);
    const std::string_view want = label ? std::string_view(label) : std::string_view{};
    if (!UsableLabel(want)) return kDirNotFound;
    const std::string ext(View(ChunkFileExtension(type)));
    std::string prefix;
    if (id != kNoChunkId) prefix.append("#").append(IdText(id)).append("#");
    for (const CTGString& dir : dirs) {
        const std::string base(View(dir));
        std::unique_ptr<CChunkFile> file;
        if (type != kAnyChunkType &&
            OpenChunkFile((base + prefix + std::string(want) + ext).c_str(), file) == kDirFound) {
            chunk.size = file->Size();
            chunk.file = std::move(file);
            chunk.label = Str(want);
            chunk.type = type;
            chunk.id = id;
            return kDirFound;
        }
        FindFileData data;
        CFindHandle search = FindFirstFile(base + "#*#" + std::string(want) + ext, data);
        if (!search) continue;
        // '*' in the pattern may also have run over a '#' of the label; take the first name whose
        // label really is the one asked for.
        bool found = false;
        do {
            const std::string_view rest = AfterIdPrefix(data.fileName);
            found = !data.isDirectory && rest.size() >= want.size() &&
                    EqualsNoCase(rest.substr(0, want.size()), want) &&
                    (type == kAnyChunkType || EqualsNoCase(rest.substr(want.size()), ext));
        } while (!found && FindNextFile(search, data));
        if (!found) continue;
        return OpenInto(base + data.fileName, type, IdFromName(data.fileName), Str(want), chunk);
    }
    return kDirNotFound;
}

int ListChunksOfType(const DirectoryList& dirs, uint32_t type, std::vector<DirectoryItem>& items) {
    items.clear();
    type = LeftAlignType(type);
    const std::string ext(View(ChunkFileExtension(type)));
    struct Key {
        int32_t id;
        std::string lowerLabel;
    };
    std::vector<Key> seen;
    ForEachFile(dirs, [&](const CTGString& dir, std::string_view name) {
        uint32_t itemType = type;
        if (type == kAnyChunkType) {
            const std::string_view short_ext = ShortExtension(name);
            if (short_ext.empty()) return;
            itemType = PackType(short_ext);
        } else if (name.size() <= ext.size() ||
                   !EqualsNoCase(name.substr(name.size() - ext.size()), ext)) {
            return;
        }
        DirectoryItem item;
        item.directory = dir;
        item.fileName = Str(name);
        item.label = LabelFromName(name);
        item.type = itemType;
        item.id = IdFromName(name);
        std::string lower(View(item.label));
        std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
        const bool duplicate = std::any_of(seen.begin(), seen.end(), [&](const Key& k) {
            return k.id == item.id && k.lowerLabel == lower;
        });
        if (duplicate) return;
        seen.push_back({item.id, std::move(lower)});
        items.push_back(std::move(item));
    });
    // Directory reading order is arbitrary; callers count chunks by position.
    std::stable_sort(items.begin(), items.end(),
                     [](const DirectoryItem& a, const DirectoryItem& b) {
                         if (a.id != b.id) return a.id < b.id;
                         return a.label.CompareNoCase(b.label) < 0;
                     });
    return kDirFound;
}

int OpenDirectoryItem(const DirectoryItem& item, DirectoryChunk& chunk) {
    return OpenInto(std::string(View(item.directory)) + std::string(View(item.fileName)), item.type,
                    item.id, item.label, chunk);
}

std::vector<uint32_t> ListChunkTypes(const DirectoryList& dirs) {
    std::vector<uint32_t> types;
    ForEachFile(dirs, [&](const CTGString&, std::string_view name) {
        const std::string_view ext = ShortExtension(name);
        if (ext.empty()) return;
        const uint32_t type = PackType(ext);
        if (std::find(types.begin(), types.end(), type) == types.end()) types.push_back(type);
    });
    return types;
}

int OpenChunkFile(const char* path, std::unique_ptr<CChunkFile>& file) {
    file.reset();
    IPlatformFiles& files = PlatformFiles();
    const PlatformFile handle =
        files.Open(path, PlatformAccess::Read, PlatformOpen::Existing, PlatformOpenOptions{});
    if (handle == kNoPlatformFile) return kDirNotFound;
    const int64_t size = files.Size(handle);
    if (size < 0 || files.Seek(handle, 0) != 0) {
        files.Close(handle);
        return kDirNotFound;
    }
    if (size > INT32_MAX) {
        files.Close(handle);
        return kDirOutOfMemory;
    }
    file.reset(new (std::nothrow) CChunkFile(handle, static_cast<int32_t>(size)));
    if (!file) {
        files.Close(handle);
        return kDirOutOfMemory;
    }
    return kDirFound;
}
