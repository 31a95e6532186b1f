#include "app/CommandLine.h"

#include "common/Version.h"

namespace app {

std::string VersionLine() {
    return std::string("tavimet ") + tavimet::kVersion + "\n";
}

std::string HelpText() {
    return "Usage: tavimet [OBJECT.iff]\n"
           "Edit the interaction tables (\"tree tables\") of the game objects in an IFF resource "
           "file.\n"
           "\n"
           "With OBJECT.iff, opens that object file; without it, asks for one. Only one copy runs\n"
           "at a time. The names of motives, personalities and attenuation levels come from\n"
           "INSTALL/gamedata/behavior.iff, INSTALL being InstallPath in the registry file.\n"
           "Exits with status 1 when no window can open (no display), else with 0.\n"
           "\n"
           "Options:\n"
           "  -h, --help     print this help and exit\n"
           "  --version      print the name and version and exit\n"
           "\n"
           "Environment:\n"
           "  TAVIMET_REGISTRY  the registry file; by default "
           "$XDG_CONFIG_HOME/tavimet/registry.ini,\n"
           "                    else ~/.config/tavimet/registry.ini. It holds, under\n"
           "                    [HKEY_LOCAL_MACHINE\\Software\\Orvan\\Dwelmoor], the line\n"
           "                    InstallPath=/abs/path\n"
           "  XDG_RUNTIME_DIR   the folder of the single-instance lock; else /tmp/tavimet-UID,\n"
           "                    else the user's cache folder (each used only when private to\n"
           "                    the user)\n"
           "\n"
           "Examples:\n"
           "  $ tavimet-cli demo tavimet-demo\n"
           "  $ TAVIMET_REGISTRY=tavimet-demo/registry.ini tavimet tavimet-demo/sample.iff\n";
}

std::optional<std::string> AnswerWithoutWindow(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return HelpText();
    }
    for (const std::string& a : args) {
        if (a == "--version") return VersionLine();
    }
    return std::nullopt;
}

} // namespace app
