// The Windows services behind the platform layer: share modes, the registry views, the named
// mutex and the system's file search, against the real system (Wine here).
#include <gtest/gtest.h>

#include <windows.h>
// The system's names would hide the platform layer's search functions of the same name.
#undef FindFirstFile
#undef FindNextFile

#include <string>
#include <vector>

#include "ScratchDir.h"
#include "platform/FileSearch.h"
#include "platform/InstanceLock.h"
#include "platform/PlatformFiles.h"
#include "platform/Registry.h"
#include "platform/RegistryWin32.h"
#include "platform/Win32Errors.h"

namespace {

// A key of the test's own under HKEY_LOCAL_MACHINE\Software, in one registry view, removed
// with its values at the end.
class CTestKey {
public:
    CTestKey(const std::string& subKey, REGSAM view) : m_subKey(subKey), m_view(view) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | view, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~CTestKey() {
        if (!m_key) return;
        RegCloseKey(m_key);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, m_subKey.c_str(), m_view, 0);
    }
    CTestKey(const CTestKey&) = delete;
    CTestKey& operator=(const CTestKey&) = delete;

    bool Made() const { return m_key != nullptr; }
    bool Set(const char* name, DWORD type, const void* data, DWORD size) {
        return RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size) ==
               ERROR_SUCCESS;
    }
    bool SetText(const char* name, const std::string& text) {
        return Set(name, REG_SZ, text.c_str(), DWORD(text.size() + 1));
    }

private:
    std::string m_subKey;
    REGSAM m_view;
    HKEY m_key = nullptr;
};

std::string UniqueKey(const char* what) {
    return std::string("Software\\TavimetTest-") + what + "-" +
           std::to_string(GetCurrentProcessId());
}

TEST(Win32Registry, ThirtyTwoBitViewFirstThenSixtyFour) {
    const std::string sub = UniqueKey("views");
    CTestKey only64(sub, KEY_WOW64_64KEY);
    ASSERT_TRUE(only64.Made());
    ASSERT_TRUE(only64.SetText("InstallPath", "C:\\From64"));
    ASSERT_TRUE(only64.SetText("Only64", "sixty-four"));
    const std::string key = "HKEY_LOCAL_MACHINE\\" + sub;
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "InstallPath").value_or("?"), "C:\\From64")
        << "the 64-bit view answers when the 32-bit one has no key";

    CTestKey only32(sub, KEY_WOW64_32KEY);
    ASSERT_TRUE(only32.Made());
    ASSERT_TRUE(only32.SetText("InstallPath", "C:\\From32"));
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "InstallPath").value_or("?"), "C:\\From32");
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "only64").value_or("?"), "sixty-four")
        << "a value missing from the 32-bit key is looked for in the 64-bit one";
    EXPECT_FALSE(platform::ReadSystemRegistryValue(key, "Missing"));
    EXPECT_FALSE(platform::ReadSystemRegistryValue(key + "\\NoSuchKey", "InstallPath"));
    EXPECT_FALSE(platform::ReadSystemRegistryValue("HKEY_NOWHERE\\" + sub, "InstallPath"));
}

TEST(Win32Registry, ValuesReadAsTextUpToTheFirstNulWhateverTheirType) {
    const std::string sub = UniqueKey("types");
    CTestKey k(sub, KEY_WOW64_32KEY);
    ASSERT_TRUE(k.Made());
    const char twoStrings[] = "first\0second\0";
    ASSERT_TRUE(k.Set("Multi", REG_MULTI_SZ, twoStrings, sizeof twoStrings));
    const char raw[] = {'a', 'b', 'c'}; // no terminating NUL
    ASSERT_TRUE(k.Set("Raw", REG_BINARY, raw, sizeof raw));
    ASSERT_TRUE(k.Set("Empty", REG_SZ, "", 1));
    const std::string longText(5000, 'x');
    ASSERT_TRUE(k.SetText("Long", longText));

    // Roots by short name, either separator, stray separators.
    const std::string key = "HKLM/" + sub + "\\";
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "Multi").value_or("?"), "first");
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "Raw").value_or("?"), "abc");
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "Empty").value_or("?"), "");
    EXPECT_EQ(platform::ReadSystemRegistryValue(key, "Long").value_or("?"), longText)
        << "the whole value; the caller decides how much it keeps";
}

TEST(Win32Registry, TheProgramsReaderUsesTheSystemUnlessAFileIsNamed) {
    const std::string sub = UniqueKey("reader");
    CTestKey k(sub, KEY_WOW64_32KEY);
    ASSERT_TRUE(k.Made());
    ASSERT_TRUE(k.SetText("InstallPath", "C:\\Game"));
    const std::string key = "HKEY_LOCAL_MACHINE\\" + sub;
    ScratchDir dir;
    const std::string ini = dir.Write("reg.ini", "[" + key + "]\nInstallPath=D:\\Other\n");

    _putenv_s("TAVIMET_REGISTRY", "");
    EXPECT_EQ(platform::ReadRegistryValue(key, "InstallPath").value_or("?"), "C:\\Game");
    _putenv_s("TAVIMET_REGISTRY", ini.c_str());
    EXPECT_EQ(platform::ReadRegistryValue(key, "InstallPath").value_or("?"), "D:\\Other");
    _putenv_s("TAVIMET_REGISTRY", "");
}

// Runs this program again, only the probe below, with the mutex name in its environment;
// returns its exit status (0: the probe passed).
DWORD RunProbe(const std::string& name) {
    char self[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return 99;
    std::string line = std::string("\"") + self + "\" --gtest_filter=Win32Mutex.ProbeIsRefused";
    SetEnvironmentVariableA("TAVIMET_MUTEX_PROBE", name.c_str());
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &start, &process);
    SetEnvironmentVariableA("TAVIMET_MUTEX_PROBE", nullptr);
    if (!started) return 98;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 97;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// Run by RunProbe in a second process only.
TEST(Win32Mutex, ProbeIsRefused) {
    char name[256];
    if (GetEnvironmentVariableA("TAVIMET_MUTEX_PROBE", name, sizeof name) == 0)
        GTEST_SKIP() << "runs as the second process of the test below";
    platform::CInstanceLock lock;
    EXPECT_EQ(lock.Acquire(name), platform::CInstanceLock::Result::AlreadyHeld);
}

TEST(Win32Mutex, ASecondHolderIsRefusedInThisProcessAndAnother) {
    const std::string name = "TavimetTestMutex-" + std::to_string(GetCurrentProcessId());
    {
        platform::CInstanceLock first;
        ASSERT_EQ(first.Acquire(name), platform::CInstanceLock::Result::Acquired);
        EXPECT_TRUE(first.Held());
        EXPECT_EQ(first.Acquire(name), platform::CInstanceLock::Result::Acquired)
            << "taking a lock already held by the same object is a no-op";

        platform::CInstanceLock second;
        EXPECT_EQ(second.Acquire(name), platform::CInstanceLock::Result::AlreadyHeld);
        EXPECT_FALSE(second.Held());

        // Another process finds the name taken too.
        EXPECT_EQ(RunProbe(name), 0u);
    }
    platform::CInstanceLock again;
    EXPECT_EQ(again.Acquire(name), platform::CInstanceLock::Result::Acquired)
        << "the name is free once its holder is gone";
}

TEST(Win32Files, ShareModesBetweenTwoOpeners) {
    ScratchDir dir;
    const std::string path = dir.Write("Obj.iff", "data");
    IPlatformFiles& files = SystemPlatformFiles();
    PlatformOpenOptions existence;
    existence.shareWrite = true;

    // A reader that shares reading only keeps writers out, and the system says why.
    PlatformFile reader =
        files.Open(path.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {});
    ASSERT_NE(reader, kNoPlatformFile);
    ClearPlatformFailure();
    EXPECT_EQ(files.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {}),
              kNoPlatformFile);
    EXPECT_EQ(LastPlatformFailure(), PlatformFailure::InUse);
    ClearPlatformFailure();
    EXPECT_FALSE(files.Delete(path.c_str())) << "no opener grants delete sharing";
    EXPECT_EQ(LastPlatformFailure(), PlatformFailure::InUse);
    // The same handle through the raw call: a second writer by the system's own rules.
    HANDLE raw = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(raw, INVALID_HANDLE_VALUE);
    if (raw != INVALID_HANDLE_VALUE) CloseHandle(raw);
    files.Close(reader);

    // A writer admits the existence test, which in turn admits the writer.
    PlatformFile probe =
        files.Open(path.c_str(), PlatformAccess::Read, PlatformOpen::Existing, existence);
    ASSERT_NE(probe, kNoPlatformFile);
    PlatformFile writer =
        files.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {});
    EXPECT_NE(writer, kNoPlatformFile);
    files.Close(writer);
    files.Close(probe);
}

TEST(Win32Files, RefusalsSayWhy) {
    ScratchDir dir;
    IPlatformFiles& files = SystemPlatformFiles();
    dir.Write("Folder/inside.txt", "x");

    const struct {
        std::string path;
        PlatformFailure why;
    } cases[] = {
        {dir / "missing.iff", PlatformFailure::NotFound},
        {dir / "NoFolder\\missing.iff", PlatformFailure::NotFound},
        {dir / "Folder", PlatformFailure::IsDirectory},
        {"NUL", PlatformFailure::IsDirectory}, // a device is not a file
    };
    for (const auto& c : cases) {
        ClearPlatformFailure();
        EXPECT_EQ(files.Open(c.path.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {}),
                  kNoPlatformFile)
            << c.path;
        EXPECT_EQ(LastPlatformFailure(), c.why) << c.path;
    }

    EXPECT_EQ(FailureFromWin32Error(ERROR_SHARING_VIOLATION), PlatformFailure::InUse);
    EXPECT_EQ(FailureFromWin32Error(ERROR_DISK_FULL), PlatformFailure::NoSpace);
    EXPECT_EQ(FailureFromWin32Error(ERROR_HANDLE_DISK_FULL), PlatformFailure::NoSpace);
    EXPECT_EQ(FailureFromWin32Error(ERROR_WRITE_PROTECT), PlatformFailure::Denied);
    EXPECT_EQ(FailureFromWin32Error(ERROR_FILE_TOO_LARGE), PlatformFailure::TooLarge);
    EXPECT_EQ(FailureFromWin32Error(ERROR_INVALID_FUNCTION), PlatformFailure::Other);
}

TEST(Win32Files, ReadOnlyFilesRefuseWriting) {
    ScratchDir dir;
    IPlatformFiles& files = SystemPlatformFiles();
    const std::string locked = dir.Write("ReadOnly.iff", "x");
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE raw = CreateFileA(locked.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw != INVALID_HANDLE_VALUE) {
        CloseHandle(raw);
        SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system lets the user write read-only files (Wine run as root)";
    }
    PlatformFile f = files.Open(locked.c_str(), PlatformAccess::Read, PlatformOpen::Existing, {});
    EXPECT_NE(f, kNoPlatformFile);
    files.Close(f);
    ClearPlatformFailure();
    EXPECT_EQ(files.Open(locked.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {}),
              kNoPlatformFile);
    EXPECT_EQ(LastPlatformFailure(), PlatformFailure::Denied);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Files, HandlesAreTheSystemsOwn) {
    ScratchDir dir;
    const std::string path = dir.Write("Big.bin", "");
    IPlatformFiles& files = SystemPlatformFiles();
    PlatformFile f =
        files.Open(path.c_str(), PlatformAccess::ReadWrite, PlatformOpen::Existing, {});
    ASSERT_NE(f, kNoPlatformFile);
    // Past 4 GiB the size takes both halves.
    const int64_t beyond = (int64_t(1) << 32) + 5;
    EXPECT_EQ(files.Seek(f, beyond), beyond);
    EXPECT_TRUE(files.SetEnd(f));
    LARGE_INTEGER size;
    ASSERT_TRUE(GetFileSizeEx(reinterpret_cast<HANDLE>(f), &size));
    EXPECT_EQ(size.QuadPart, beyond);
    EXPECT_EQ(files.Size(f), beyond);
    EXPECT_EQ(files.Seek(f, 0), 0);
    EXPECT_TRUE(files.SetEnd(f));
    files.Close(f);
}

TEST(Win32Search, WildcardsFollowTheNamesUsersSee) {
    ScratchDir dir;
    dir.Write("Alpha.IFF", "1");
    dir.Write("beta.iff", "22");
    dir.Write("gamma.iffx", "333"); // its short name, were one made, ends in .IFF
    dir.Write("Sub/inner.iff", "4");
    std::vector<std::string> names;
    FindFileData data;
    CFindHandle h = FindFirstFile(dir.Str() + "\\*.iff", data);
    ASSERT_TRUE(h);
    do {
        names.push_back(data.fileName);
        if (data.fileName == "beta.iff") {
            EXPECT_EQ(data.size, 2u);
            EXPECT_FALSE(data.isDirectory);
        }
    } while (FindNextFile(h, data));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha.IFF", "beta.iff"}));

    h = FindFirstFile(dir.Str() + "/S?B", data);
    ASSERT_TRUE(h);
    EXPECT_EQ(data.fileName, "Sub");
    EXPECT_TRUE(data.isDirectory);
    EXPECT_FALSE(FindNextFile(h, data));

    EXPECT_FALSE(FindFirstFile(dir.Str() + "\\*.bmp", data));
    EXPECT_FALSE(FindFirstFile(dir.Str() + "\\NoFolder\\*.*", data));
}

} // namespace
