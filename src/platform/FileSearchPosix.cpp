// Directory search over POSIX directory reading.
#include "platform/FileSearchSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "platform/PlatformFiles.h"

namespace {

struct DirCloser {
    void operator()(DIR* d) const noexcept {
        if (d) closedir(d);
    }
};

} // namespace

bool ListMatches(std::string_view dirPart, std::string_view namePart,
                 std::vector<FindFileData>& matches) {
    const std::string directory =
        dirPart.empty() ? std::string(".") : ResolvePlatformPath(std::string(dirPart).c_str());
    std::unique_ptr<DIR, DirCloser> dir(opendir(directory.c_str()));
    if (!dir) return false;
    while (dirent* e = readdir(dir.get())) {
        const std::string_view name(e->d_name);
        if (!WildcardMatch(namePart, name)) continue;
        FindFileData found;
        found.fileName.assign(name);
        struct stat st {};
        if (fstatat(dirfd(dir.get()), e->d_name, &st, 0) == 0) {
            found.isDirectory = S_ISDIR(st.st_mode);
            if (!found.isDirectory) found.size = static_cast<std::uint64_t>(st.st_size);
        }
        matches.push_back(std::move(found));
    }
    return true;
}
