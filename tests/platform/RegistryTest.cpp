#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ScratchDir.h"
#include "TestSystem.h"
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
    testsys::SetEnv("TAVIMET_REGISTRY", "/a/reg.ini");
    testsys::SetEnv("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::RegistryFilePath(), "/a/reg.ini");
    testsys::SetEnv("TAVIMET_REGISTRY", nullptr);
    EXPECT_EQ(platform::RegistryFilePath(), "/cfg/tavimet/registry.ini");
    testsys::SetEnv("XDG_CONFIG_HOME", nullptr);
    testsys::SetEnv("HOME", "/home/u");
    EXPECT_EQ(platform::RegistryFilePath(), "/home/u/.config/tavimet/registry.ini");
    if (savedReg) testsys::SetEnv("TAVIMET_REGISTRY", reg.c_str());
    if (savedXdg) testsys::SetEnv("XDG_CONFIG_HOME", xdg.c_str());
}

} // namespace
