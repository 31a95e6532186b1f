// The fault-injecting file layer: which operation it hits, and what each kind leaves on disk.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/FaultFiles.h"

namespace {

struct Opened {
    CFaultFiles& files;
    PlatformFile file;
    ~Opened() { files.Close(file); }
};

TEST(FaultFiles, CountsOperationsAndHitsTheKth) {
    CTempDir dir;
    const std::string path = dir.Write("f.bin", "0123456789");
    CFaultFiles faults;
    Opened f{faults,
             faults.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {})};
    ASSERT_NE(f.file, kNoPlatformFile);
    char buf[10];
    faults.Arm(3, FaultKind::Fail);
    EXPECT_EQ(faults.Seek(f.file, 2), 2);
    EXPECT_EQ(faults.Read(f.file, buf, 3), 3);
    EXPECT_FALSE(faults.Fired());
    EXPECT_EQ(faults.Write(f.file, "ab", 2), -1); // the third
    EXPECT_TRUE(faults.Fired());
    EXPECT_EQ(faults.FiredOp(), FaultOp::Write);
    EXPECT_TRUE(faults.Flush(f.file)); // later ones work
    EXPECT_EQ(faults.Operations(), 4);
    EXPECT_EQ(dir.Read("f.bin"), "0123456789");
}

TEST(FaultFiles, PartialWriteMovesHalf) {
    CTempDir dir;
    const std::string path = dir.Write("f.bin", "0123456789");
    CFaultFiles faults;
    Opened f{faults,
             faults.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {})};
    faults.Arm(1, FaultKind::Partial);
    EXPECT_EQ(faults.Write(f.file, "abcd", 4), 2);
    EXPECT_EQ(dir.Read("f.bin"), "ab23456789");
}

TEST(FaultFiles, CrashRefusesEverythingAfter) {
    CTempDir dir;
    const std::string path = dir.Write("f.bin", "0123456789");
    CFaultFiles faults;
    Opened f{faults,
             faults.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {})};
    faults.Arm(2, FaultKind::Crash);
    EXPECT_EQ(faults.Write(f.file, "ab", 2), 2);
    EXPECT_EQ(faults.Write(f.file, "cd", 2), -1);
    EXPECT_TRUE(faults.Crashed());
    EXPECT_EQ(faults.Seek(f.file, 0), -1);
    EXPECT_FALSE(faults.SetEnd(f.file));
    EXPECT_FALSE(faults.Flush(f.file));
    EXPECT_EQ(faults.Open(path.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {}),
              kNoPlatformFile);
    EXPECT_FALSE(faults.Delete(path.c_str()));
    EXPECT_EQ(dir.Read("f.bin"), "ab23456789");
}

TEST(FaultFiles, TornCrashKeepsWholeSectorsBeforeTheMiddle) {
    CTempDir dir;
    const std::string path = dir.Write("f.bin", std::string(2048, '.'));
    CFaultFiles faults;
    Opened f{faults,
             faults.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {})};
    const std::string data(1500, 'x');
    faults.Arm(2, FaultKind::TornCrash);
    EXPECT_EQ(faults.Seek(f.file, 100), 100);
    EXPECT_EQ(faults.Write(f.file, data.data(), 1500), -1);
    // From 100 the middle is 850: the sector boundary before it is 512.
    EXPECT_EQ(dir.Read("f.bin"),
              std::string(100, '.') + std::string(412, 'x') + std::string(1536, '.'));
    // A short write within one sector leaves nothing.
    const std::string other = dir.Write("g.bin", std::string(100, '.'));
    faults.Arm(2, FaultKind::TornCrash);
    Opened g{faults,
             faults.Open(other.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {})};
    EXPECT_EQ(faults.Seek(g.file, 10), 10);
    EXPECT_EQ(faults.Write(g.file, "abcdefgh", 8), -1);
    EXPECT_EQ(dir.Read("g.bin"), std::string(100, '.'));
}

} // namespace
