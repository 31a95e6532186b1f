// Several files in one run: the read commands take one or more PATHs, walk directories with
// --recursive, work on files in parallel with --jobs and print the files in a fixed order, so the
// output never depends on the number of jobs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace cli {

// The options every batch-capable command shares.
struct BatchOptions {
    std::vector<std::string> paths;
    bool recursive = false;
    int jobs = 0; // 0: one per core
    bool json = false;
};

// Adds PATH... (required), --recursive/-r and --jobs to cmd, filling options.
void AddBatchOptions(CLI::App& cmd, BatchOptions& options, const char* pathHelp);

// One object file of a batch: shown is the path it is reported under, open the path that opens
// it (a split pair NAME.iff + NAME.spf found by a walk is opened by name, as NAME). A directory
// that could not be read during the walk has walkError set.
struct BatchFile {
    std::string shown;
    std::string open;
    std::string walkError;
};

// The files the paths name, in the order given; with recursive, a directory is replaced by every
// ".iff" and ".spf" file under it (extension matched ignoring ASCII case), in byte order of the
// full paths, a split pair counting as one file at its ".iff" path. Directory symlinks are not
// followed, so a walk always ends.
std::vector<BatchFile> CollectBatchFiles(const std::vector<std::string>& paths, bool recursive);

// What one file's work returned. Its text goes through Out and Err.
struct FileOutcome {
    int exit = 0;       // the one-file exit status
    int32_t status = 0; // 0, or the negative status the file failed with
    std::string json;   // the one-file JSON document (when asked for JSON and status is 0)
};

// The work for one file: openPath opens it, shownPath names it; batch is true when its output
// becomes part of a batch (the single-file forms stay exactly as they were otherwise).
using FileWork = std::function<FileOutcome(const std::string& openPath,
                                           const std::string& shownPath, bool batch)>;

// True when the options ask for the several-files form: more than one path, or --recursive.
bool IsBatch(const BatchOptions& options);

struct BatchTotals {
    int files = 0;
    int failed = 0; // files whose exit status was not 0
};

// Runs work on every file of the batch on options.jobs threads and prints, in the files' order,
// either {"files":[{"path":P,"status":S,...}, ...]} (JSON: each element holds the fields of the
// one-file document, or an "error" text when the status is not 0) or each file's own text, with
// a "PATH:" line before it when headers is set. Its standard error text follows the files'
// order too. Returns the totals; the exit status is 0 only when every file's was.
BatchTotals RunBatch(const BatchOptions& options, const FileWork& work, bool headers);

// The one-file form when the options name one path without --recursive, else the batch form.
// Returns the exit status.
int RunFilesCommand(const BatchOptions& options, const FileWork& work, bool headers = true);

} // namespace cli
