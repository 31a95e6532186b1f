// The command-line program the tests run: the one built beside them or, when TAVIMET_CLI_WINE
// names its wrapper, the Windows build run through Wine, which must answer the same.
#pragma once

#include <cstdlib>
#include <string>

inline std::string CliUnderTest() {
    const char* wine = std::getenv("TAVIMET_CLI_WINE");
    return wine && *wine ? std::string(wine) : std::string(TAVIMET_CLI);
}

// True for the Windows build: conditions only POSIX sets up (a file-size limit, another user,
// advisory locks, unreadable modes for root) do not reach it.
inline bool CliIsWindowsBuild() {
    const char* wine = std::getenv("TAVIMET_CLI_WINE");
    return wine && *wine;
}
