#include "fileio/FileObject.h"
#include "common/AsciiCase.h"

#include <climits>

namespace {

CTGString NormalisedName(const char* path) {
    CTGString name(path);
    char* bytes = name.MutableData();
    for (uint32_t i = 0; i < name.Length(); ++i) {
        char& c = bytes[i];
        if (c == '/')
            c = '\\';
        else
            c = AsciiLower(c);
    }
    // Give the name back a shareable representation so copies handed out are cheap.
    return CTGString(name.Text(), name.Length());
}

// The largest count that keeps position + count within the 32-bit range.
int32_t ClampCount(int32_t position, int32_t count) {
    int32_t room = INT32_MAX - position;
    return count > room ? room : count;
}

} // namespace

CFileObject::CFileObject(const char* path, PlatformFile handle, int32_t length, bool writable)
    : m_name(NormalisedName(path)), m_handle(handle), m_length(length), m_writable(writable) {}

CFileObject::~CFileObject() {
    if (m_handle != kNoPlatformFile) PlatformFiles().Close(m_handle);
}

int32_t CFileObject::Read(void* buf, int32_t count) {
    if (m_handle == kNoPlatformFile || !buf || count <= 0) return 0;
    count = ClampCount(m_position, count);
    int64_t got = PlatformFiles().Read(m_handle, buf, count);
    if (got < 0 || got > count) m_positionKnown = false;
    if (got <= 0) return 0;
    if (got > count) got = count; // never trust a count beyond what was asked
    m_position += static_cast<int32_t>(got);
    return static_cast<int32_t>(got);
}

int32_t CFileObject::Write(const void* buf, int32_t count) {
    if (m_handle == kNoPlatformFile || !m_writable || !buf || count <= 0) return 0;
    count = ClampCount(m_position, count);
    if (count <= 0) return 0;
    int64_t put = PlatformFiles().Write(m_handle, buf, count);
    if (put < 0 || put > count) m_positionKnown = false;
    if (put <= 0) return 0;
    if (put > count) put = count;
    m_position += static_cast<int32_t>(put);
    if (m_position > m_length) m_length = m_position;
    return static_cast<int32_t>(put);
}

bool CFileObject::Seek(int32_t offset) {
    if (m_handle == kNoPlatformFile || offset < 0 || offset > m_length) return false;
    // Chunks are mostly read and written where the last transfer ended.
    if (m_positionKnown && offset == m_position) return true;
    m_positionKnown = false;
    if (PlatformFiles().Seek(m_handle, offset) != offset) return false;
    m_position = offset;
    m_positionKnown = true;
    return true;
}

bool CFileObject::SetLength(int32_t newLength) {
    if (newLength > m_length) {
        if (m_handle == kNoPlatformFile) return false;
        m_positionKnown = false;
        if (PlatformFiles().Seek(m_handle, newLength) != newLength) return false;
        // Position and length follow at once, even if the end cannot be set below.
        m_position = newLength;
        m_positionKnown = true;
        m_length = newLength;
    } else if (!Seek(newLength)) {
        return false;
    }
    if (!PlatformFiles().SetEnd(m_handle)) return false;
    m_length = newLength;
    return true;
}

bool CFileObject::Flush() {
    return m_handle != kNoPlatformFile && PlatformFiles().Flush(m_handle);
}

std::unique_ptr<CFileObject> OpenFileObject(const char* path, bool writable) {
    if (!path) return nullptr;
    IPlatformFiles& files = PlatformFiles();
    PlatformOpenOptions options;
    options.randomAccess = !writable;
    PlatformFile handle =
        files.Open(path, writable ? PlatformAccess::ReadWrite : PlatformAccess::Read,
                   PlatformOpen::Existing, options);
    if (handle == kNoPlatformFile) return nullptr;
    int64_t size = files.Size(handle);
    if (size < 0 || size > INT32_MAX) {
        // Outside the 32-bit range the length would be wrong and the file could be damaged.
        files.Close(handle);
        return nullptr;
    }
    return std::unique_ptr<CFileObject>(
        new CFileObject(path, handle, static_cast<int32_t>(size), writable));
}

bool CreateFileOnDisk(const char* path) {
    if (!path) return false;
    IPlatformFiles& files = PlatformFiles();
    PlatformFile handle =
        files.Open(path, PlatformAccess::Write, PlatformOpen::CreateAlways, PlatformOpenOptions{});
    if (handle == kNoPlatformFile) return false;
    files.Close(handle);
    return true;
}

bool DeleteFileOnDisk(const char* path) {
    return path && PlatformFiles().Delete(path);
}

bool FileExists(const char* path) {
    if (!path) return false;
    IPlatformFiles& files = PlatformFiles();
    PlatformOpenOptions options;
    options.shareWrite = true;
    PlatformFile handle = files.Open(path, PlatformAccess::Read, PlatformOpen::Existing, options);
    if (handle == kNoPlatformFile) return false;
    files.Close(handle);
    return true;
}
