// tavimet-cli: the command-line companion of the editor.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "Commands.h"
#include "Examples.h"
#include "common/Version.h"
#include "platform/PlatformFiles.h"

int main(int argc, char** argv) {
    // The same bytes on every system, so that output can be compared and piped alike.
    WriteStandardStreamsAsBytes();
    KeepFreedMemoryForReuse();
    CLI::App app{"tavimet-cli: list, check, dump, edit and render the resources of object files",
                 "tavimet-cli"};
    app.require_subcommand(1);
    // CLI11 would take "/x" for an option on Windows; the options are the same everywhere and a
    // path may start with a slash.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("tavimet-cli ") + tavimet::kVersion,
                         "Print the name and version and exit");
    int status = cli::kExitOk;
    // Making every subcommand takes longer than some of them take to run: when the first word
    // names one, only that one is made. Anything else (the overview, the version, a mistake)
    // makes them all.
    const cli::CommandEntry* only = nullptr;
    for (const cli::CommandEntry& command : cli::kCommands)
        if (argc > 1 && std::strcmp(argv[1], command.name) == 0) only = &command;
    for (const cli::CommandEntry& command : cli::kCommands)
        if (!only || only == &command) command.add(app, status);
    // The first word that is not an option names the subcommand; CLI11 would only say that one
    // is required.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (!word.empty() && word[0] == '-') continue;
        const auto all = [](const CLI::App*) { return true; };
        bool known = false;
        for (const CLI::App* sub : app.get_subcommands(all))
            known = known || sub->check_name(word);
        if (!known) {
            std::string names;
            for (const CLI::App* sub : app.get_subcommands(all))
                names += (names.empty() ? "" : ", ") + sub->get_name();
            std::fprintf(stderr, "tavimet-cli: unknown subcommand \"%s\" (subcommands: %s)\n",
                         word.c_str(), names.c_str());
            return cli::kExitUsage;
        }
        break;
    }
    cli::AddExamples(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return cli::kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavimet-cli: %s\n", e.what());
        return cli::kExitFailed;
    }
    return status;
}
