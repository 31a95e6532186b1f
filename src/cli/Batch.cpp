#include "Batch.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "Json8.h"
#include "Output.h"
#include "model/StatusText.h"
#include "resource/ResourceFile.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string Join(const std::string& dir, const std::string& name) {
    return !dir.empty() && dir.back() == '/' ? dir + name : dir + "/" + name;
}

// ".iff" or ".spf" (any case), or nothing for every other name.
std::string ObjectExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    const std::string ext = Lower(name.substr(dot));
    return ext == ".iff" || ext == ".spf" ? ext : std::string{};
}

void Walk(const std::string& dir, std::vector<BatchFile>& found) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        found.push_back({dir, {}, "cannot read the directory " + dir + ": " + ec.message()});
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string full = Join(dir, name);
        std::error_code kindError;
        // A symlink to a directory is not followed: a link back up would never end the walk.
        if (it->symlink_status(kindError).type() == fs::file_type::directory)
            Walk(full, found);
        else if (!ObjectExtension(name).empty())
            found.push_back({full, full, {}});
    }
    if (ec) found.push_back({dir, {}, "cannot read the directory " + dir + ": " + ec.message()});
}

// A split pair NAME.iff + NAME.spf in one directory becomes one file, opened by name as NAME and
// shown as its ".iff" path. A name holding another dot, or none before the extension, cannot be
// opened by name, so its files stay apart.
void JoinSplitPairs(std::vector<BatchFile>& files) {
    struct Pair {
        int iff = -1, spf = -1, others = 0;
    };
    std::map<std::string, Pair> pairs;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i].walkError.empty()) continue;
        const std::string& path = files[i].open;
        const size_t slash = path.rfind('/');
        const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        const size_t dot = name.rfind('.');
        if (dot == 0 || name.find('.') != dot) continue;
        const std::string key =
            path.substr(0, path.size() - name.size()) + Lower(name.substr(0, dot));
        Pair& p = pairs[key];
        int& slot = ObjectExtension(name) == ".iff" ? p.iff : p.spf;
        if (slot >= 0) ++p.others;
        slot = int(i);
    }
    std::vector<bool> drop(files.size(), false);
    for (const auto& [key, p] : pairs) {
        if (p.iff < 0 || p.spf < 0 || p.others) continue;
        BatchFile& iff = files[size_t(p.iff)];
        iff.open = iff.open.substr(0, iff.open.rfind('.'));
        drop[size_t(p.spf)] = true;
    }
    size_t kept = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (drop[i]) continue;
        if (kept != i) files[kept] = std::move(files[i]);
        ++kept;
    }
    files.resize(kept);
}

// The last line a file's work wrote to standard error, without the program's prefix.
std::string ErrorText(const std::string& err, int32_t status) {
    size_t end = err.size();
    while (end > 0 && err[end - 1] == '\n')
        --end;
    if (end == 0) return StatusText(status);
    const size_t start = err.rfind('\n', end - 1);
    std::string line = err.substr(start == std::string::npos ? 0 : start + 1,
                                  end - (start == std::string::npos ? 0 : start + 1));
    const std::string prefix = "tavimet-cli: ";
    if (line.compare(0, prefix.size(), prefix) == 0) line.erase(0, prefix.size());
    return line;
}

struct Slot {
    bool done = false;
    FileOutcome outcome;
    std::string out;
    std::string err;
};

void Work(const FileWork& work, const BatchFile& file, Slot& slot) {
    CCapturedOutput captured;
    try {
        if (!file.walkError.empty()) {
            Err("tavimet-cli: %s\n", file.walkError.c_str());
            slot.outcome = FileOutcome{1, kResErrCannotOpen, {}};
        } else {
            slot.outcome = work(file.open, file.shown, true);
        }
    } catch (const std::bad_alloc&) {
        Err("tavimet-cli: %s: %s\n", file.shown.c_str(), StatusText(kResErrNoMemory).c_str());
        slot.outcome = FileOutcome{1, kResErrNoMemory, {}};
    } catch (const std::exception& e) {
        Err("tavimet-cli: %s: %s\n", file.shown.c_str(), e.what());
        slot.outcome = FileOutcome{1, kResErrObject, {}};
    }
    slot.out = std::move(captured.out);
    slot.err = std::move(captured.err);
}

void Print(const std::string& text, FILE* to) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), to);
}

} // namespace

void AddBatchOptions(CLI::App& cmd, BatchOptions& options, const char* pathHelp) {
    cmd.add_option("PATH", options.paths, pathHelp)->required();
    cmd.add_flag("-r,--recursive", options.recursive,
                 "walk directories, taking every .iff and .spf file");
    cmd.add_option("--jobs", options.jobs, "files worked on at once (default: one per core)")
        ->check(CLI::Range(1, 1024));
}

std::vector<BatchFile> CollectBatchFiles(const std::vector<std::string>& paths, bool recursive) {
    std::vector<BatchFile> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!recursive || !fs::is_directory(path, ec)) {
            files.push_back({path, path, {}});
            continue;
        }
        std::vector<BatchFile> found;
        Walk(path, found);
        std::sort(found.begin(), found.end(),
                  [](const BatchFile& a, const BatchFile& b) { return a.shown < b.shown; });
        JoinSplitPairs(found);
        for (BatchFile& f : found)
            files.push_back(std::move(f));
    }
    return files;
}

bool IsBatch(const BatchOptions& options) {
    return options.recursive || options.paths.size() != 1;
}

BatchTotals RunBatch(const BatchOptions& options, const FileWork& work, bool headers) {
    const std::vector<BatchFile> files = CollectBatchFiles(options.paths, options.recursive);
    std::vector<Slot> slots(files.size());
    size_t jobs = options.jobs > 0 ? size_t(options.jobs)
                                   : std::max<size_t>(1, std::thread::hardware_concurrency());
    jobs = std::max<size_t>(1, std::min(jobs, files.size()));

    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t i = next++; i < files.size(); i = next++) {
            Slot slot;
            Work(work, files[i], slot);
            slot.done = true;
            const std::lock_guard<std::mutex> lock(mutex);
            slots[i] = std::move(slot);
            ready.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (size_t j = 0; j < jobs; ++j)
        threads.emplace_back(worker);
    // This thread prints each file as soon as it and every file before it are done.

    BatchTotals totals;
    if (options.json) std::fputs("{\"files\":[", stdout);
    for (size_t i = 0; i < files.size(); ++i) {
        Slot slot;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return slots[i].done; });
            slot = std::move(slots[i]);
        }
        ++totals.files;
        if (slot.outcome.exit != 0) ++totals.failed;
        if (options.json) {
            std::string element = (i ? ",{\"path\":" : "{\"path\":") + Json8Quote(files[i].shown) +
                                  ",\"status\":" + std::to_string(slot.outcome.status);
            const std::string& doc = slot.outcome.json;
            if (slot.outcome.status != 0)
                element += ",\"error\":" + Json8Quote(ErrorText(slot.err, slot.outcome.status));
            else if (doc.size() > 2 && doc.front() == '{' && doc.back() == '}')
                element += "," + doc.substr(1, doc.size() - 2);
            element += "}";
            Print(element, stdout);
        } else {
            if (headers) std::printf("%s:\n", files[i].shown.c_str());
            Print(slot.out, stdout);
        }
        Print(slot.err, stderr);
    }
    if (options.json) std::fputs("]}\n", stdout);
    for (std::thread& t : threads)
        t.join();
    std::fflush(stdout);
    return totals;
}

int RunFilesCommand(const BatchOptions& options, const FileWork& work, bool headers) {
    if (!IsBatch(options)) {
        const FileOutcome outcome = work(options.paths.front(), options.paths.front(), false);
        if (!outcome.json.empty()) Out("%s\n", outcome.json.c_str());
        return outcome.exit;
    }
    return RunBatch(options, work, headers).failed ? 1 : 0;
}

} // namespace cli
