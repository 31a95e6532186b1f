#include "fileio/FileObject.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <vector>

namespace {

// Delegates to the real files, recording paths and failing chosen services on request.
class CFaultyFiles final : public IPlatformFiles {
public:
    IPlatformFiles& real = SystemPlatformFiles();
    std::vector<std::string> opened;
    std::string redirect; // when set, every open goes to this file instead
    int64_t sizeOverride = -1;
    bool failSeek = false, failSetEnd = false, failFlush = false, failWrite = false;
    bool failRead = false, readTooMuch = false;
    int seeks = 0;

    PlatformFile Open(const char* path, PlatformAccess access, PlatformOpen how,
                      const PlatformOpenOptions& options) override {
        opened.emplace_back(path);
        return real.Open(redirect.empty() ? path : redirect.c_str(), access, how, options);
    }
    int64_t Read(PlatformFile f, void* buf, int64_t n) override {
        if (failRead) return -1;
        const int64_t got = real.Read(f, buf, n);
        return readTooMuch && got >= 0 ? got + 1 : got;
    }
    int64_t Write(PlatformFile f, const void* buf, int64_t n) override {
        return failWrite ? -1 : real.Write(f, buf, n);
    }
    int64_t Seek(PlatformFile f, int64_t offset) override {
        ++seeks;
        return failSeek ? -1 : real.Seek(f, offset);
    }
    bool SetEnd(PlatformFile f) override { return !failSetEnd && real.SetEnd(f); }
    bool Flush(PlatformFile f) override { return !failFlush && real.Flush(f); }
    int64_t Size(PlatformFile f) override {
        return sizeOverride >= 0 ? sizeOverride : real.Size(f);
    }
    void Close(PlatformFile f) override { real.Close(f); }
    bool Delete(const char* path) override { return real.Delete(path); }
};

TEST(FileObject, NameIsNormalisedButThePlatformGetsThePathAsGiven) {
    ScratchDir dir;
    std::string target = dir.Write("obj.iff", "IFF");
    CFaultyFiles files;
    files.redirect = target;
    CPlatformFilesScope scope(files);
    auto file = OpenFileObject("C:/Data/Obj.IFF", true);
    ASSERT_TRUE(file);
    EXPECT_STREQ(file->Name(), "c:\\data\\obj.iff");
    ASSERT_EQ(files.opened.size(), 1u);
    EXPECT_EQ(files.opened[0], "C:/Data/Obj.IFF");
    EXPECT_EQ(file->Length(), 3);
    EXPECT_EQ(file->Position(), 0);
    EXPECT_TRUE(file->Writable());
}

TEST(FileObject, OpensMixedCaseWindowsPaths) {
    ScratchDir dir;
    dir.Write("GameData/Behavior.IFF", "0123456789");
    std::string asked = dir.Str() + "\\gamedata\\behavior.iff";
    auto file = OpenFileObject(asked.c_str(), false);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Length(), 10);
    EXPECT_FALSE(file->Writable());
    char buf[4] = {};
    ASSERT_TRUE(file->Seek(7));
    EXPECT_EQ(file->Read(buf, 4), 3) << "a short read reports the bytes read";
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(file->Position(), 10);
    EXPECT_EQ(file->Read(buf, 4), 0);
}

TEST(FileObject, SeekRefusesOffsetsPastTheLength) {
    ScratchDir dir;
    std::string path = dir.Write("f.bin", "12345");
    auto file = OpenFileObject(path.c_str(), true);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Seek(5));
    EXPECT_EQ(file->Position(), 5);
    EXPECT_FALSE(file->Seek(6));
    EXPECT_FALSE(file->Seek(-1));
    EXPECT_EQ(file->Position(), 5);
    EXPECT_TRUE(file->Seek(0));
    char c = 0;
    EXPECT_EQ(file->Read(&c, 1), 1);
    EXPECT_EQ(c, '1');
}

TEST(FileObject, WritesTrackPositionAndGrowTheLength) {
    ScratchDir dir;
    std::string path = dir.Write("f.bin", "abcdef");
    auto file = OpenFileObject(path.c_str(), true);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Write("XY", 0), 0);
    EXPECT_EQ(file->Write("XY", -2), 0);
    ASSERT_TRUE(file->Seek(2));
    EXPECT_EQ(file->Write("XY", 2), 2);
    EXPECT_EQ(file->Length(), 6) << "writing inside the file does not grow it";
    ASSERT_TRUE(file->Seek(6));
    EXPECT_EQ(file->Write("0123456789", 10), 10);
    EXPECT_EQ(file->Length(), 16);
    EXPECT_EQ(file->Position(), 16);
    EXPECT_TRUE(file->Flush());
    file.reset();
    EXPECT_EQ(dir.Read("f.bin"), "abXYef0123456789");
}

TEST(FileObject, ReadOnlyObjectsWriteNothing) {
    ScratchDir dir;
    std::string path = dir.Write("f.bin", "abc");
    auto file = OpenFileObject(path.c_str(), false);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Write("XYZ", 3), 0);
    EXPECT_EQ(file->Position(), 0);
    EXPECT_EQ(file->Length(), 3);
    EXPECT_FALSE(file->SetLength(1)) << "truncating needs write access";
    file.reset();
    EXPECT_EQ(dir.Read("f.bin"), "abc");
}

TEST(FileObject, SetLengthTruncatesAndGrows) {
    ScratchDir dir;
    std::string path = dir.Write("f.bin", "0123456789");
    auto file = OpenFileObject(path.c_str(), true);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Seek(8));
    EXPECT_TRUE(file->SetLength(4));
    EXPECT_EQ(file->Length(), 4);
    EXPECT_EQ(file->Position(), 4);
    EXPECT_EQ(std::filesystem::file_size(path), 4u);
    EXPECT_TRUE(file->SetLength(12));
    EXPECT_EQ(file->Length(), 12);
    EXPECT_EQ(file->Position(), 12);
    EXPECT_EQ(std::filesystem::file_size(path), 12u);
    EXPECT_TRUE(file->SetLength(12));
    file.reset();
    EXPECT_EQ(dir.Read("f.bin"), std::string("0123") + std::string(8, '\0'));
}

// "0123456789" opened for writing through platform services that fail on request.
class FaultyFileObject : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.Write("f.bin", "0123456789");
        file = OpenFileObject(path.c_str(), true);
        ASSERT_TRUE(file);
    }

    ScratchDir dir;
    std::string path;
    CFaultyFiles files;
    CPlatformFilesScope scope{files};
    std::unique_ptr<CFileObject> file;
};

TEST_F(FaultyFileObject, FailureStatesOfSeekAndSetLength) {
    ASSERT_TRUE(file->Seek(3));

    files.failSeek = true;
    EXPECT_FALSE(file->Seek(5));
    EXPECT_FALSE(file->SetLength(20));
    EXPECT_FALSE(file->SetLength(2));
    EXPECT_EQ(file->Position(), 3);
    EXPECT_EQ(file->Length(), 10);
    files.failSeek = false;

    files.failSetEnd = true;
    // Growing: position and length already follow the new length.
    EXPECT_FALSE(file->SetLength(20));
    EXPECT_EQ(file->Position(), 20);
    EXPECT_EQ(file->Length(), 20);
    // Shrinking: only the position has moved.
    EXPECT_FALSE(file->SetLength(5));
    EXPECT_EQ(file->Position(), 5);
    EXPECT_EQ(file->Length(), 20);
    files.failSetEnd = false;

    files.failFlush = true;
    EXPECT_FALSE(file->Flush());
    files.failWrite = true;
    EXPECT_EQ(file->Write("ab", 2), 0);
    EXPECT_EQ(file->Position(), 5);
}

// A seek to where the file stands asks nothing of the platform, unless a transfer went wrong and
// the platform's position can no longer be trusted to be ours.
TEST_F(FaultyFileObject, SeeksOnlyWhereThePositionMoves) {
    char buf[4] = {};
    ASSERT_TRUE(file->Seek(0));
    ASSERT_EQ(file->Read(buf, 2), 2);
    ASSERT_TRUE(file->Seek(2)); // where the read ended
    EXPECT_EQ(files.seeks, 0);
    ASSERT_TRUE(file->Seek(6));
    EXPECT_EQ(files.seeks, 1);
    ASSERT_EQ(file->Write("ab", 2), 2);
    ASSERT_TRUE(file->Seek(8));
    EXPECT_EQ(files.seeks, 1);

    // After a failed read, a failed write, a read that claims too much or a failed seek, the
    // next seek goes to the platform even to the same offset, and the bytes come from there.
    for (int fault = 0; fault < 4; ++fault) {
        ASSERT_TRUE(file->Seek(4));
        const int before = files.seeks;
        files.failRead = fault == 0;
        files.failWrite = fault == 1;
        files.readTooMuch = fault == 2;
        files.failSeek = fault == 3;
        switch (fault) {
        case 0:
            EXPECT_EQ(file->Read(buf, 2), 0);
            break;
        case 1:
            EXPECT_EQ(file->Write("xy", 2), 0);
            break;
        case 2:
            EXPECT_EQ(file->Read(buf, 2), 2);
            break;
        default:
            EXPECT_FALSE(file->Seek(1));
        }
        files.failRead = files.failWrite = files.readTooMuch = files.failSeek = false;
        ASSERT_TRUE(file->Seek(fault == 2 ? 6 : 4)) << fault;
        EXPECT_EQ(files.seeks, before + (fault == 3 ? 2 : 1)) << fault;
        ASSERT_EQ(file->Read(buf, 2), 2);
        EXPECT_EQ(std::string(buf, 2), fault == 2 ? "ab" : "45") << fault;
    }
}

TEST(FileObject, FilesOf2GBAndMoreAreNotOpened) {
    ScratchDir dir;
    std::string path = dir.Write("big.bin", "x");
    CFaultyFiles files;
    CPlatformFilesScope scope(files);
    files.sizeOverride = int64_t{1} << 31;
    EXPECT_FALSE(OpenFileObject(path.c_str(), true));
    files.sizeOverride = (int64_t{1} << 32) + 10; // would look like a 10-byte file
    EXPECT_FALSE(OpenFileObject(path.c_str(), false));
    files.sizeOverride = INT32_MAX;
    auto file = OpenFileObject(path.c_str(), false);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Length(), INT32_MAX);
}

TEST(FileNames, ExistsCreateDelete) {
    ScratchDir dir;
    std::string path = dir.Write("Data.IFF", "contents");
    std::string asked = dir / "data.iff";
    EXPECT_TRUE(FileExists(asked.c_str()));
    EXPECT_FALSE(FileExists((dir / "none.iff").c_str()));
    EXPECT_FALSE(FileExists(dir.Str().c_str())) << "a directory is not a file";
    EXPECT_FALSE(FileExists(nullptr));

    EXPECT_TRUE(CreateFileOnDisk(asked.c_str()));
    EXPECT_EQ(std::filesystem::file_size(path), 0u) << "creating an existing file empties it";
    EXPECT_TRUE(CreateFileOnDisk((dir / "new.iff").c_str()));
    EXPECT_TRUE(FileExists((dir / "new.iff").c_str()));
    EXPECT_FALSE(CreateFileOnDisk((dir / "no/such/dir.iff").c_str()));

    EXPECT_TRUE(DeleteFileOnDisk(asked.c_str()));
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_FALSE(DeleteFileOnDisk(asked.c_str()));
    EXPECT_FALSE(OpenFileObject(asked.c_str(), false));
}

// FIFOs and permission bits are POSIX; the Windows tests refuse devices and read-only files.
#ifndef _WIN32
TEST(FileNames, SpecialFilesAreNotFilesAndNeverBlock) {
    ScratchDir dir;
    std::string fifo = dir / "pipe.iff";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(fifo.c_str()));
    EXPECT_FALSE(OpenFileObject(fifo.c_str(), true));
    EXPECT_FALSE(OpenFileObject(fifo.c_str(), false));
}

TEST(FileNames, UnreadableFileDoesNotExist) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    ScratchDir dir;
    std::string path = dir.Write("locked.iff", "x");
    chmod(path.c_str(), 0);
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_FALSE(OpenFileObject(path.c_str(), false));
}
#endif

} // namespace
