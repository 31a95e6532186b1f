#include "platform/PlatformFiles.h"

#include "ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Windows resolves separators and case itself; the POSIX path walk is POSIX's own.
#ifndef _WIN32
TEST(PlatformPath, BackslashesSeparateDirectories) {
    ScratchDir dir;
    dir.Write("Data/Obj.IFF", "x");
    std::string windowsStyle = dir.Str() + "\\Data\\Obj.IFF";
    EXPECT_EQ(ResolvePlatformPath(windowsStyle.c_str()), dir / "Data/Obj.IFF");
}

TEST(PlatformPath, MissingComponentsAreMatchedIgnoringCase) {
    ScratchDir dir;
    dir.Write("GameData/Behavior.IFF", "x");
    std::string asked = dir.Str() + "\\gamedata\\BEHAVIOR.iff";
    EXPECT_EQ(ResolvePlatformPath(asked.c_str()), dir / "GameData/Behavior.IFF");

    // The first component that matches nothing, and all after it, stay as written.
    std::string missing = dir.Str() + "/GAMEDATA/New/File.iff";
    EXPECT_EQ(ResolvePlatformPath(missing.c_str()), dir / "GameData/New/File.iff");
    std::string newFile = dir.Str() + "/gamedata/Other.IFF";
    EXPECT_EQ(ResolvePlatformPath(newFile.c_str()), dir / "GameData/Other.IFF");

    // An exact path wins; several case variants resolve to the first in byte order.
    dir.Write("Obj.iff", "1");
    dir.Write("OBJ.IFF", "2");
    dir.Write("obj.IFF", "3");
    std::string exact = dir / "obj.IFF";
    EXPECT_EQ(ResolvePlatformPath(exact.c_str()), exact);
    std::string variant = dir / "oBj.iff";
    EXPECT_EQ(ResolvePlatformPath(variant.c_str()), dir / "OBJ.IFF");
}

TEST(PlatformPath, NonAsciiBytesAreNotFolded) {
    ScratchDir dir;
    dir.Write("\xC9t\xE9.iff", "x");
    std::string asked = dir / "\xE9T\xE9.iff";
    EXPECT_EQ(ResolvePlatformPath(asked.c_str()), asked);
    EXPECT_TRUE(EqualsIgnoringAsciiCase("AbC", "aBc"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}
#endif

TEST(SystemFiles, OpenReadWriteSeekTruncate) {
    ScratchDir dir;
    dir.Write("Sub/File.BIN", "0123456789");
    IPlatformFiles& files = SystemPlatformFiles();
    std::string path = dir.Str() + "\\sub\\file.bin";
    PlatformFile f =
        files.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {});
    ASSERT_NE(f, kNoPlatformFile);
    EXPECT_EQ(files.Size(f), 10);
    char buf[4] = {};
    EXPECT_EQ(files.Seek(f, 6), 6);
    EXPECT_EQ(files.Read(f, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(files.Read(f, buf, 4), 0);
    EXPECT_EQ(files.Seek(f, 3), 3);
    EXPECT_TRUE(files.SetEnd(f));
    EXPECT_EQ(files.Size(f), 3);
    EXPECT_EQ(files.Write(f, "abc", 3), 3);
    EXPECT_EQ(files.Seek(f, 20), 20);
    EXPECT_TRUE(files.SetEnd(f));
    EXPECT_EQ(files.Size(f), 20);
    EXPECT_EQ(files.Seek(f, -1), -1);
    EXPECT_TRUE(files.Flush(f));
    files.Close(f);
    EXPECT_EQ(dir.Read("Sub/File.BIN"), std::string("012abc") + std::string(14, '\0'));
}

TEST(SystemFiles, RefusalsAndCreation) {
    ScratchDir dir;
    IPlatformFiles& files = SystemPlatformFiles();
    std::filesystem::create_directory(dir / "Folder");
    std::string folder = dir / "folder";
    EXPECT_EQ(files.Open(folder.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {}),
              kNoPlatformFile)
        << "a directory is not a file";
    std::string missing = dir / "missing";
    EXPECT_EQ(files.Open(missing.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {}),
              kNoPlatformFile);
    EXPECT_EQ(files.Open("", PlatformAccess::Read, PlatformOpen::Existing, {}), kNoPlatformFile);

    dir.Write("Keep.txt", "old contents");
    std::string keep = dir / "KEEP.TXT";
    PlatformFile f =
        files.Open(keep.c_str(), PlatformAccess::Write, PlatformOpen::CreateAlways, {});
    ASSERT_NE(f, kNoPlatformFile);
    files.Close(f);
    EXPECT_EQ(dir.Read("Keep.txt"), "") << "create truncates the existing file of any case";
#ifndef _WIN32 // a Windows folder holds one name whatever its case
    EXPECT_FALSE(std::filesystem::exists(dir / "KEEP.TXT"));
#endif

    EXPECT_TRUE(files.Delete(keep.c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir / "Keep.txt"));
    EXPECT_FALSE(files.Delete(keep.c_str()));
}

TEST(SystemFiles, SharingFollowsTheOriginalRules) {
    ScratchDir dir;
    std::string path = dir.Write("Shared.iff", "data");
    IPlatformFiles& files = SystemPlatformFiles();
    auto open = [&](PlatformAccess access, PlatformOpen how = PlatformOpen::Existing,
                    bool shareWrite = false) {
        PlatformOpenOptions options;
        options.shareWrite = shareWrite;
        return files.Open(path.c_str(), access, how, options);
    };

    PlatformFile writer = open(PlatformAccess::ReadWrite);
    ASSERT_NE(writer, kNoPlatformFile);
    EXPECT_EQ(open(PlatformAccess::ReadWrite), kNoPlatformFile) << "one writer at a time";
    EXPECT_EQ(open(PlatformAccess::Read), kNoPlatformFile) << "readers deny the writer";
    EXPECT_EQ(open(PlatformAccess::Write, PlatformOpen::CreateAlways), kNoPlatformFile);
    EXPECT_EQ(dir.Read("Shared.iff"), "data") << "a refused create truncates nothing";
    EXPECT_FALSE(files.Delete(path.c_str()));
    PlatformFile probe = open(PlatformAccess::Read, PlatformOpen::Existing, true);
    EXPECT_NE(probe, kNoPlatformFile) << "an existence test shares writing";
    files.Close(probe);
    files.Close(writer);

    PlatformFile reader1 = open(PlatformAccess::Read);
    PlatformFile reader2 = open(PlatformAccess::Read);
    EXPECT_NE(reader1, kNoPlatformFile);
    EXPECT_NE(reader2, kNoPlatformFile);
    EXPECT_EQ(open(PlatformAccess::ReadWrite), kNoPlatformFile);
    files.Close(reader1);
    files.Close(reader2);

    writer = open(PlatformAccess::ReadWrite);
    EXPECT_NE(writer, kNoPlatformFile) << "closing releases the file";
    files.Close(writer);
    EXPECT_TRUE(files.Delete(path.c_str()));
}

class CNullFiles final : public IPlatformFiles {
public:
    PlatformFile Open(const char*, PlatformAccess, PlatformOpen,
                      const PlatformOpenOptions&) override {
        return kNoPlatformFile;
    }
    int64_t Read(PlatformFile, void*, int64_t) override { return -1; }
    int64_t Write(PlatformFile, const void*, int64_t) override { return -1; }
    int64_t Seek(PlatformFile, int64_t) override { return -1; }
    bool SetEnd(PlatformFile) override { return false; }
    bool Flush(PlatformFile) override { return false; }
    int64_t Size(PlatformFile) override { return -1; }
    void Close(PlatformFile) override {}
    bool Delete(const char*) override { return false; }
};

TEST(PlatformFilesScope, GuardsNestAndRestore) {
    CNullFiles a, b;
    EXPECT_EQ(&PlatformFiles(), &SystemPlatformFiles());
    {
        CPlatformFilesScope outer(a);
        EXPECT_EQ(&PlatformFiles(), &a);
        {
            CPlatformFilesScope inner(b);
            EXPECT_EQ(&PlatformFiles(), &b);
        }
        EXPECT_EQ(&PlatformFiles(), &a);
    }
    EXPECT_EQ(&PlatformFiles(), &SystemPlatformFiles());
}

} // namespace
