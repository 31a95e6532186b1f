// Platform file services: the only place where the program touches the operating system's files.
// Paths are passed exactly as the program holds them; the implementation treats a backslash like a
// slash and, when a path does not exist as written, matches each component ignoring ASCII case.
#pragma once

#include <cstdint>
#include <string>

// A platform file handle, wide enough for a POSIX descriptor or a Windows handle. Every
// implementation hands out and accepts the system's own handles, so a handle opened through one
// instance stays valid after the current instance is swapped.
using PlatformFile = std::intptr_t;
inline constexpr PlatformFile kNoPlatformFile = -1;

enum class PlatformAccess { Read, Write, ReadWrite };

enum class PlatformOpen {
    Existing,     // open an existing file only
    CreateAlways, // create, or truncate an existing file to 0 bytes
};

// Sharing and access hints. By default others may read but not write while the file is open,
// and a writer excludes every other opener; a reader with shareWrite (an existence test)
// neither excludes nor is refused by anyone.
// Windows keeps this with share modes; the POSIX implementation with advisory locks, binding
// every opener that uses them.
struct PlatformOpenOptions {
    bool shareWrite = false;
    bool randomAccess = false; // reads will jump around
};

class IPlatformFiles {
public:
    virtual ~IPlatformFiles() = default;

    // Opens a regular file (never a directory); kNoPlatformFile on refusal.
    virtual PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                              const PlatformOpenOptions& options) = 0;
    // Reads or writes up to count bytes at the file pointer; returns the bytes moved, -1 on error.
    virtual int64_t Read(PlatformFile file, void* buf, int64_t count) = 0;
    virtual int64_t Write(PlatformFile file, const void* buf, int64_t count) = 0;
    // Moves the file pointer to offset from the start; returns the new offset, -1 on error.
    virtual int64_t Seek(PlatformFile file, int64_t offset) = 0;
    // Makes the file end at the file pointer (truncating or growing it).
    virtual bool SetEnd(PlatformFile file) = 0;
    virtual bool Flush(PlatformFile file) = 0;
    // File size in bytes, -1 on error.
    virtual int64_t Size(PlatformFile file) = 0;
    virtual void Close(PlatformFile file) = 0;
    virtual bool Delete(const char* path) = 0;
};

// Why the last platform file call that failed on this thread failed. Implementations note every
// failure here (the one place where OS error codes become causes); it stays until the next
// failure or ClearPlatformFailure, so a caller clears it before an operation and reads it after.
enum class PlatformFailure {
    None,
    NotFound,    // no such file or directory
    IsDirectory, // a directory (or other non-file) where a file was expected
    InUse,       // another program holds the file open in a way that excludes us
    Denied,      // permission denied or a read-only file system
    NoSpace,     // no space left on the device (or the user's quota)
    TooLarge,    // the file would grow past the size limit
    Other,
};
PlatformFailure LastPlatformFailure();
void ClearPlatformFailure();
void NotePlatformFailure(PlatformFailure failure);

// The operating system's implementation, used unless a test swaps in another one. On POSIX, using
// it makes the process ignore SIGXFSZ, so that a file-size limit fails the write instead of
// ending the process.
IPlatformFiles& SystemPlatformFiles();

// The process-wide instance every caller uses.
IPlatformFiles& PlatformFiles();

// Swaps the process-wide instance for the life of the guard (tests, fault injection).
// Guards nest; each restores the instance it replaced.
class CPlatformFilesScope {
public:
    explicit CPlatformFilesScope(IPlatformFiles& files);
    ~CPlatformFilesScope();
    CPlatformFilesScope(const CPlatformFilesScope&) = delete;
    CPlatformFilesScope& operator=(const CPlatformFilesScope&) = delete;

private:
    IPlatformFiles* m_previous;
};

// Turns a path as the program holds it into the path to hand the system. On Windows, which
// already treats both separators alike and ignores case, that is the path as written. On POSIX,
// backslashes become slashes; if the path does not exist as written, each component that does not
// exist is replaced by the first directory entry (in byte order) equal to it ignoring ASCII case;
// components that match nothing, and all after them, stay as written.
std::string ResolvePlatformPath(const char* path);

// ASCII-only case-insensitive equality (A-Z fold to a-z; other bytes compare as they are).
bool EqualsIgnoringAsciiCase(const char* a, const char* b);

// What stands at a path as the program holds it (resolved as above, links followed), looked at
// without opening it: a file can be in use by another program and still be seen.
enum class PathKind { Nothing, File, Folder }; // File: anything that is not a folder
struct PathInfo {
    PathKind kind = PathKind::Nothing;
    int64_t size = -1; // a file's length in bytes; -1 otherwise
};
PathInfo LookAtPath(const char* path);

// Makes the standard output and error streams carry the bytes as written. Windows would write
// each line feed as a carriage return and line feed; with this, both builds print the same bytes.
void WriteStandardStreamsAsBytes();

// For a short run that makes and drops large buffers in turn (read, compact, write a map): the
// memory freed is kept for the next one rather than handed back to the system and taken again
// as fresh pages. Does nothing where the allocator has no such setting.
void KeepFreedMemoryForReuse();
