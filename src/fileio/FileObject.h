// File objects: byte-counted reads and writes at a tracked position over the platform's files.
#pragma once

#include "common/TGString.h"
#include "platform/PlatformFiles.h"

#include <cstdint>
#include <memory>

// An open file. Created only by OpenFileObject; destroying it closes the file.
// Length and position are signed 32-bit: files of 2 GB and more are not opened.
class CFileObject {
public:
    ~CFileObject();
    CFileObject(const CFileObject&) = delete;
    CFileObject& operator=(const CFileObject&) = delete;

    // Reads up to count bytes at the platform's file position; returns the bytes read
    // (0 at end of file, on failure or for count <= 0).
    int32_t Read(void* buf, int32_t count);
    // Writes count bytes when writable and count > 0; returns the bytes written.
    // Writing past the end grows the length.
    int32_t Write(const void* buf, int32_t count);
    // Moves to offset from the start; refuses negative offsets and offsets past Length().
    bool Seek(int32_t offset);
    // Grows or truncates the file; position ends at newLength.
    bool SetLength(int32_t newLength);
    bool Flush();

    int32_t Length() const { return m_length; }
    int32_t Position() const { return m_position; }
    bool Writable() const { return m_writable; }
    // The path as opened, A-Z lowered and slashes turned into backslashes.
    const char* Name() const { return m_name.Text(); }

private:
    friend std::unique_ptr<CFileObject> OpenFileObject(const char* path, bool writable);
    CFileObject(const char* path, PlatformFile handle, int32_t length, bool writable);

    CTGString m_name;
    PlatformFile m_handle;
    int32_t m_length;
    int32_t m_position = 0;
    // The platform's position is m_position: false after a failed or untrustworthy transfer.
    bool m_positionKnown = true;
    bool m_writable;
};

// Opens an existing file, read-write or read-only; none when the platform refuses
// (missing file, directory, no permission, 2 GB or larger).
std::unique_ptr<CFileObject> OpenFileObject(const char* path, bool writable);
// Creates the file, or empties an existing one.
bool CreateFileOnDisk(const char* path);
bool DeleteFileOnDisk(const char* path);
// True when path names a file that can be opened for reading (never a directory).
bool FileExists(const char* path);
