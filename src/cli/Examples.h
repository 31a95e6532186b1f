// The examples that tavimet-cli's help texts end with, in one table so that they read alike.
// Each runs as shown in a folder where `tavimet-cli demo tavimet-demo` has been run (the tests
// run every one of them).
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace cli {

// The example lines for the command at path ("" for the overview, "chunks", "po export"): shell
// command lines, one a line; empty when the table has none.
std::string ExampleFor(const std::string& path);

// Ends the help of app (the overview) and of every subcommand, at any depth, with its example:
// "Example:" (the overview: "Examples:") and each line indented after "$ ", the form help2man
// keeps verbatim in the manual page. Called once every command is registered.
void AddExamples(CLI::App& app);

} // namespace cli
