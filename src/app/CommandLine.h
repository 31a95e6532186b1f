// What the editor answers on its command line without opening a window: --version and --help.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

// "tavimet VERSION", the version being project()'s.
std::string VersionLine();

// The text of tavimet --help (also the source of the manual page tavimet.1).
std::string HelpText();

// When args (without the program name) ask for the version or for help: the text to print on
// standard output before exiting with status 0. Otherwise nothing: the window is to open.
std::optional<std::string> AnswerWithoutWindow(const std::vector<std::string>& args);

} // namespace app
