#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "ScratchDir.h"
#include "platform/Registry.h"

namespace {

TEST(Registry, KeysAndValuesMatchIgnoringCase) {
    ScratchDir dir;
    const std::string file = dir / "registry.ini";
    std::ofstream(file) << "; comment\n[HKEY_LOCAL_MACHINE\\Software\\Other]\nInstallPath=/wrong\n"
                        << "[hkey_local_machine\\SOFTWARE\\orvan\\dwelmoor]\r\n"
                        << "  installpath =  /games/here  \r\n";
    auto v = platform::ReadRegistryValue(file, "HKEY_LOCAL_MACHINE\\Software\\Orvan\\Dwelmoor",
                                         "InstallPath");
    ASSERT_TRUE(v);
    EXPECT_EQ(*v, "/games/here");
    EXPECT_FALSE(platform::ReadRegistryValue(file, "HKEY_LOCAL_MACHINE\\Software\\Orvan\\Dwelmoor",
                                             "Missing"));
    EXPECT_FALSE(platform::ReadRegistryValue(dir / "none.ini", "K", "V"));
}

TEST(Registry, FileIsNamedByTheEnvironment) {
    const char* savedReg = std::getenv("TAVIMET_REGISTRY");
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    std::string reg = savedReg ? savedReg : "", xdg = savedXdg ? savedXdg : "";
    ::setenv("TAVIMET_REGISTRY", "/a/reg.ini", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(platform::RegistryFilePath(), "/a/reg.ini");
    ::unsetenv("TAVIMET_REGISTRY");
    EXPECT_EQ(platform::RegistryFilePath(), "/cfg/tavimet/registry.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(platform::RegistryFilePath(), "/home/u/.config/tavimet/registry.ini");
    if (savedReg) ::setenv("TAVIMET_REGISTRY", reg.c_str(), 1);
    if (savedXdg) ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
}

} // namespace
