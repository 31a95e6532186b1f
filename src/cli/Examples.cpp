#include "Examples.h"

#include <CLI/CLI.hpp>

#include <map>
#include <sstream>

namespace cli {

namespace {

const std::map<std::string, std::string>& Table() {
    static const std::map<std::string, std::string> table{
        {"", "tavimet-cli demo tavimet-demo\n"
             "tavimet-cli check tavimet-demo/sample.iff\n"
             "tavimet-cli ttab tavimet-demo/sample.iff --json\n"},
        {"chunks", "tavimet-cli chunks tavimet-demo/sample.iff --json\n"},
        {"check", "tavimet-cli check tavimet-demo/sample\n"},
        {"compact", "tavimet-cli compact tavimet-demo/sample.iff\n"},
        {"objects", "tavimet-cli objects tavimet-demo/sample.iff --json\n"},
        {"ttab", "tavimet-cli ttab tavimet-demo/sample.iff --object 131 --language 3 --json\n"},
        {"strings", "tavimet-cli strings tavimet-demo/sample.iff --type TTAs --id 128 "
                    "--all-languages --json\n"},
        {"apply", "echo '{\"entries\":[{\"index\":0,\"name\":\"Sit Down\"}]}' >edits.json\n"
                  "tavimet-cli apply tavimet-demo/sample.iff edits.json\n"},
        {"preview", "tavimet-cli preview tavimet-demo/sample.iff -o sofa.png --view 10 --grid\n"},
        {"demo", "tavimet-cli demo tavimet-demo\n"},
        {"po", "tavimet-cli po export tavimet-demo/sample.iff --language 3 -o fr.po\n"},
        {"po export", "tavimet-cli po export tavimet-demo/sample.iff --language 3 -o fr.po\n"},
        {"po import", "tavimet-cli po export tavimet-demo/sample.iff --language 3 -o fr.po\n"
                      "tavimet-cli po import tavimet-demo/sample.iff fr.po\n"},
    };
    return table;
}

std::string Indented(const std::string& lines) {
    std::istringstream in(lines);
    std::string out, line;
    while (std::getline(in, line))
        out += "\n  $ " + line;
    return out;
}

void AddTo(CLI::App& command, const std::string& path) {
    const std::string example = ExampleFor(path);
    if (!example.empty()) {
        std::string text = (path.empty() ? "Examples:" : "Example:") + Indented(example);
        if (path.empty()) text += "\n\nEach command's --help shows its options and an example.";
        command.footer(text);
    }
    const auto all = [](const CLI::App*) { return true; };
    for (CLI::App* sub : command.get_subcommands(all))
        AddTo(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name());
}

} // namespace

std::string ExampleFor(const std::string& path) {
    auto it = Table().find(path);
    return it == Table().end() ? std::string() : it->second;
}

void AddExamples(CLI::App& app) {
    AddTo(app, "");
}

} // namespace cli
