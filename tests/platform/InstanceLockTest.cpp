// The single-instance lock: one holder at a time, and only in a folder no other user can reach.
// A scratch folder stands in for /tmp (LockPlaces::tmpBase) and another for the cache folder, so
// that another user's folder, a symbolic link and loose permissions can each be set up there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ScratchDir.h"
#include "platform/InstanceLock.h"

namespace {

namespace fs = std::filesystem;
using Result = platform::CInstanceLock::Result;

constexpr uid_t kNobody = 65534;

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_places.uid = ::getuid();
        m_places.tmpBase = m_scratch / "tmp";
        m_places.cacheDir = m_scratch / "home/.cache/tavimet";
        fs::create_directories(m_places.tmpBase);
        ::chmod(m_places.tmpBase.c_str(), 01777); // like /tmp
    }
    std::string TmpFolder() const {
        return m_places.tmpBase + "/tavimet-" + std::to_string(m_places.uid);
    }
    std::string TmpLock() const { return TmpFolder() + "/TavimetMutex.lock"; }
    std::string CacheLock() const { return m_places.cacheDir + "/TavimetMutex.lock"; }
    static mode_t ModeOf(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
    // A folder of another user's, as that user would leave it for the victim.
    bool MakeForeignFolder(const std::string& path, mode_t mode) {
        fs::create_directories(path);
        ::chmod(path.c_str(), mode);
        return ::chown(path.c_str(), kNobody, kNobody) == 0;
    }

    ScratchDir m_scratch;
    platform::LockPlaces m_places;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstGoes) {
    {
        platform::CInstanceLock first;
        EXPECT_EQ(first.Acquire("TestMutex", m_places), Result::Acquired);
        EXPECT_TRUE(first.Held());
        platform::CInstanceLock second;
        EXPECT_EQ(second.Acquire("TestMutex", m_places), Result::AlreadyHeld);
        EXPECT_FALSE(second.Held());
        platform::CInstanceLock other;
        EXPECT_EQ(other.Acquire("OtherMutex", m_places), Result::Acquired);
    }
    platform::CInstanceLock again;
    EXPECT_EQ(again.Acquire("TestMutex", m_places), Result::Acquired);
}

TEST_F(InstanceLockTest, TmpFolderIsMadePrivateWhenMissing) {
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), TmpLock());
    EXPECT_EQ(ModeOf(TmpFolder()), 0700u);
    EXPECT_EQ(ModeOf(TmpLock()) & 077, 0u);
    EXPECT_FALSE(fs::exists(m_places.cacheDir));
}

TEST_F(InstanceLockTest, PrivateRuntimeFolderComesFirst) {
    std::string runtime = m_scratch / "run";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    m_places.runtimeDir = runtime;
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), runtime + "/TavimetMutex.lock");
    EXPECT_FALSE(fs::exists(TmpFolder()));
}

TEST_F(InstanceLockTest, RuntimeFolderOpenToOthersIsPassedOver) {
    std::string runtime = m_scratch / "run";
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), 0777);
    m_places.runtimeDir = runtime;
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), TmpLock());
    EXPECT_FALSE(fs::exists(runtime + "/TavimetMutex.lock"));
}

TEST_F(InstanceLockTest, TmpFolderOfAnotherOwnerIsNotUsed) {
    // Another user made /tmp/tavimet-UID first, open to the victim so that the lock would work.
    if (!MakeForeignFolder(TmpFolder(), 0777))
        GTEST_SKIP() << "changing a folder's owner needs root";
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), CacheLock());
    EXPECT_FALSE(fs::exists(TmpLock()));
    EXPECT_EQ(ModeOf(m_places.cacheDir), 0700u);

    // The other user holding a lock there keeps nobody out.
    m_places.cacheDir.clear();
    platform::CInstanceLock without;
    EXPECT_EQ(without.Acquire("TavimetMutex", m_places), Result::Failed);
    EXPECT_NE(without.Problem().find(TmpFolder() + " belongs to another user"), std::string::npos)
        << without.Problem();
}

TEST_F(InstanceLockTest, PrivateFolderOfAnotherOwnerIsNotUsedEither) {
    if (!MakeForeignFolder(TmpFolder(), 0700))
        GTEST_SKIP() << "changing a folder's owner needs root";
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), CacheLock());
    EXPECT_FALSE(fs::exists(TmpLock()));
}

TEST_F(InstanceLockTest, TmpFolderThatIsALinkIsNotFollowed) {
    // Another user points /tmp/tavimet-UID at a folder of their choosing.
    std::string target = m_scratch / "chosen";
    fs::create_directories(target);
    ::chmod(target.c_str(), 0700);
    fs::create_directory_symlink(target, TmpFolder());
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), CacheLock());
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_TRUE(fs::is_symlink(TmpFolder()));
}

TEST_F(InstanceLockTest, LockFileThatIsALinkIsNotFollowed) {
    fs::create_directories(TmpFolder());
    ::chmod(TmpFolder().c_str(), 0700);
    std::string victim = m_scratch / "elsewhere/victim";
    fs::create_directories(fs::path(victim).parent_path());
    fs::create_symlink(victim, TmpLock());
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), CacheLock());
    EXPECT_FALSE(fs::exists(victim));
}

TEST_F(InstanceLockTest, TmpFolderWithLoosePermissionsIsNotUsed) {
    for (mode_t mode : {0777, 0755, 0750, 0701}) {
        SCOPED_TRACE(mode);
        fs::create_directories(TmpFolder());
        ::chmod(TmpFolder().c_str(), mode);
        platform::CInstanceLock lock;
        ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
        EXPECT_EQ(lock.Path(), CacheLock());
        EXPECT_FALSE(fs::exists(TmpLock()));
        // Left as it was found: the lock does not repair a folder it cannot trust.
        EXPECT_EQ(ModeOf(TmpFolder()), mode);
    }
}

TEST_F(InstanceLockTest, NoSafePlaceFailsWithOneLine) {
    fs::create_directories(TmpFolder());
    ::chmod(TmpFolder().c_str(), 0777);
    // The cache folder is a link to somewhere else.
    std::string target = m_scratch / "chosen";
    fs::create_directories(target);
    ::chmod(target.c_str(), 0700);
    fs::create_directories(fs::path(m_places.cacheDir).parent_path());
    fs::create_directory_symlink(target, m_places.cacheDir);

    platform::CInstanceLock lock;
    EXPECT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Failed);
    EXPECT_FALSE(lock.Held());
    EXPECT_TRUE(lock.Path().empty());
    const std::string& why = lock.Problem();
    EXPECT_EQ(why.find('\n'), std::string::npos);
    EXPECT_NE(why.find(TmpFolder() + " is open to other users (mode 0777)"), std::string::npos)
        << why;
    EXPECT_NE(why.find(m_places.cacheDir + " is a symbolic link"), std::string::npos) << why;
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(InstanceLockTest, CacheFolderIsMadeWithItsParents) {
    fs::create_directories(TmpFolder());
    ::chmod(TmpFolder().c_str(), 0755);
    m_places.cacheDir = m_scratch / "xdg/cache/deep/tavimet";
    platform::CInstanceLock lock;
    ASSERT_EQ(lock.Acquire("TavimetMutex", m_places), Result::Acquired) << lock.Problem();
    EXPECT_EQ(lock.Path(), m_places.cacheDir + "/TavimetMutex.lock");
    EXPECT_EQ(ModeOf(m_places.cacheDir), 0700u);
    // Two copies falling back to the cache folder still keep each other out.
    platform::CInstanceLock second;
    EXPECT_EQ(second.Acquire("TavimetMutex", m_places), Result::AlreadyHeld);
}

TEST(LockPlaces, FromEnvironment) {
    const char* names[] = {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        had[i] = v != nullptr;
        saved[i] = v ? v : "";
    }
    ::setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    ::setenv("XDG_CACHE_HOME", "/c", 1);
    ::setenv("HOME", "/home/u", 1);
    auto p = platform::LockPlaces::FromEnvironment();
    EXPECT_EQ(p.runtimeDir, "/run/user/7");
    EXPECT_EQ(p.tmpBase, "/tmp");
    EXPECT_EQ(p.cacheDir, "/c/tavimet");
    EXPECT_EQ(p.uid, ::getuid());
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("XDG_CACHE_HOME", "relative", 1); // relative: ignored
    p = platform::LockPlaces::FromEnvironment();
    EXPECT_EQ(p.runtimeDir, "");
    EXPECT_EQ(p.cacheDir, "/home/u/.cache/tavimet");
    for (int i = 0; i < 3; ++i) {
        if (had[i])
            ::setenv(names[i], saved[i].c_str(), 1);
        else
            ::unsetenv(names[i]);
    }
}

} // namespace
