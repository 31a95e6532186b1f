// Windows only: the one place where the system's error codes become causes.
#pragma once

#include "platform/PlatformFiles.h"

// The cause a GetLastError code stands for.
PlatformFailure FailureFromWin32Error(unsigned long error);
