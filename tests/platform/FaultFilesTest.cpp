// The fault-injecting file layer: which operation it hits, and what each kind leaves on disk.
#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "platform/FaultFiles.h"

namespace {

struct Opened {
    CFaultFiles& files;
    PlatformFile file;
    ~Opened() { files.Close(file); }
};

// A scratch file of the given bytes, opened for writing through the fault layer.
class FaultFilesTest : public ::testing::Test {
protected:
    Opened OpenWith(const std::string& bytes, const char* name = "f.bin") {
        path = dir.Write(name, bytes);
        return Opened{faults, faults.Open(path.c_str(), PlatformAccess::ReadWrite,
                                          PlatformOpen::Existing, {})};
    }
    ScratchDir dir;
    CFaultFiles faults;
    std::string path;
};

TEST_F(FaultFilesTest, CountsOperationsAndHitsTheKth) {
    Opened f = OpenWith("0123456789");
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

TEST_F(FaultFilesTest, PartialWriteMovesHalf) {
    Opened f = OpenWith("0123456789");
    faults.Arm(1, FaultKind::Partial);
    EXPECT_EQ(faults.Write(f.file, "abcd", 4), 2);
    EXPECT_EQ(dir.Read("f.bin"), "ab23456789");
}

TEST_F(FaultFilesTest, CrashRefusesEverythingAfter) {
    Opened f = OpenWith("0123456789");
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

TEST_F(FaultFilesTest, TornCrashKeepsWholeSectorsBeforeTheMiddle) {
    Opened f = OpenWith(std::string(2048, '.'));
    const std::string data(1500, 'x');
    faults.Arm(2, FaultKind::TornCrash);
    EXPECT_EQ(faults.Seek(f.file, 100), 100);
    EXPECT_EQ(faults.Write(f.file, data.data(), 1500), -1);
    // From 100 the middle is 850: the sector boundary before it is 512.
    EXPECT_EQ(dir.Read("f.bin"),
              std::string(100, '.') + std::string(412, 'x') + std::string(1536, '.'));
    // A short write within one sector leaves nothing.
    faults.Arm(2, FaultKind::TornCrash);
    Opened g = OpenWith(std::string(100, '.'), "g.bin");
    EXPECT_EQ(faults.Seek(g.file, 10), 10);
    EXPECT_EQ(faults.Write(g.file, "abcdefgh", 8), -1);
    EXPECT_EQ(dir.Read("g.bin"), std::string(100, '.'));
}

} // namespace
