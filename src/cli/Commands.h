// Subcommands of tavimet-cli. Each lives in its own cmd_*.cpp and registers itself on the app;
// the callback it installs sets the exit status through the reference it is given.
#pragma once

namespace CLI {
class App;
}

namespace cli {

// Exit statuses shared by every command.
enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

void RegisterChunks(CLI::App& app, int& status);
void RegisterCheck(CLI::App& app, int& status);
void RegisterCompact(CLI::App& app, int& status);
void RegisterObjects(CLI::App& app, int& status);
void RegisterTtab(CLI::App& app, int& status);
void RegisterStrings(CLI::App& app, int& status);
void RegisterApply(CLI::App& app, int& status);
void RegisterPo(CLI::App& app, int& status);
void RegisterPreview(CLI::App& app, int& status);
void RegisterDemo(CLI::App& app, int& status);

// Every subcommand in the order the overview lists them: its name, and what adds it to the app.
struct CommandEntry {
    const char* name;
    void (*add)(CLI::App& app, int& status);
};
inline constexpr CommandEntry kCommands[] = {
    {"chunks", RegisterChunks},   {"check", RegisterCheck}, {"compact", RegisterCompact},
    {"objects", RegisterObjects}, {"ttab", RegisterTtab},   {"strings", RegisterStrings},
    {"apply", RegisterApply},     {"po", RegisterPo},       {"preview", RegisterPreview},
    {"demo", RegisterDemo},
};

} // namespace cli
