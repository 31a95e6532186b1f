// The system half of a directory search, one per platform.
#pragma once

#include <string_view>
#include <vector>

#include "platform/FileSearch.h"

// Appends the entries of the directory DIRPART (as the pattern spells it, ending in a separator,
// or empty for the current directory) whose names match NAMEPART. False when the directory
// cannot be read.
bool ListMatches(std::string_view dirPart, std::string_view namePart,
                 std::vector<FindFileData>& matches);
