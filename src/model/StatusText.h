// Status codes in words, for every message the editor and the command line show: the one place
// that says why something failed.
#pragma once

#include <cstdint>
#include <string>

struct ChainBreak;

// The cause of a failure with this status, in words ("no space left on the device"). Where the
// status alone is ambiguous (a short write, a refused open, a file that is not writable), the
// platform's last noted failure (LastPlatformFailure) names the cause; callers clear it with
// ClearPlatformFailure before the operation whose status they describe.
std::string StatusCause(int32_t status);

// The cause followed by the status itself: "no space left on the device (status -46)".
std::string StatusText(int32_t status);

// Why a damaged file was not written: "the file is damaged at offset N; nothing was written (see
// tavimet-cli check)" (without the offset when it is not known).
std::string DamagedFileText(const ChainBreak& at);
