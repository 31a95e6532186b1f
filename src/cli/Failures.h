// Failure messages shared by the commands: every one names its cause in words before the status
// (StatusText), and a file whose chunk chain breaks is reported where it breaks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resource/ResourceFile.h"

namespace cli {

// The files of an object opened by name that exist on disk, in row order: PATH.iff and PATH.spf
// for a path without extension, PATH itself when its extension is ".iff" or ".spf" (ignoring
// case), nothing for any other path. Names are as the rows resolve them (the platform matches
// them ignoring case).
std::vector<std::string> ExistingObjectFiles(const std::string& path);

// The path of a member file of an object opened by name, as the user's path names it (the file
// layer keeps its own spelling of names: lower case, backslashes).
std::string MemberPath(CResourceFile& member, const std::string& path);

// Why opening path by name failed with status, as "FILE: CAUSE (status N)" or "PATH: CAUSE
// (status N)": each file the path names is opened on its own, read-only, to learn which of them
// failed and why (a file in use, read-only, a directory, not an IFF file this program reads, no
// such file). anyVersion: IFF 1.0 files are acceptable too (the split rows).
std::string DescribeOpenFailure(const std::string& path, int32_t status, bool anyVersion);

// Why a file that opened read-only could not be opened for writing, as "CAUSE (status -45)".
// Call it after every handle of the program on the file is closed: the probe opens the file for
// writing (and writes nothing), which the program's own readers would refuse.
std::string DescribeNotWritable(const std::string& file);

// The chain break a refusal left on the file object (or on one of the members of a set), if any.
std::optional<ChainBreak> NotedBreak(const CResourceFile* file);

// Where the files of an object opened by name are damaged: noted when given, else the first
// file (ExistingObjectFiles, or path itself when that finds none) whose check finds its chain
// broken by damage rather than by an interrupted append.
std::optional<ChainBreak> FindDamage(const std::optional<ChainBreak>& noted,
                                     const std::string& path);

// Prints "tavimet-cli: FILE: the file is damaged at offset N; nothing was written (see
// tavimet-cli check)" for a refusal with kResErrDamaged (PATH and no offset when none is known).
void PrintDamaged(const std::optional<ChainBreak>& at, const std::string& path);

} // namespace cli
