// The one scratch folder of the tests: a fresh folder for one test's files, removed with
// everything in it when the test ends. Made without POSIX calls, so every platform's tests share
// it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

// The whole content of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScratchDir {
public:
    // A new folder PREFIX-XXXXXX under BASE (the system's temporary folder when empty). Creation
    // fails on an existing folder, so no two tests ever share one.
    explicit ScratchDir(std::string_view prefix = "tavimet", std::filesystem::path base = {}) {
        if (base.empty()) base = std::filesystem::temp_directory_path();
        static thread_local std::mt19937_64 random{std::random_device{}()};
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            std::string name = std::string(prefix) + "-";
            for (int i = 0; i < 6; ++i)
                name += kLetters[random() % (sizeof kLetters - 1)];
            std::error_code ec;
            if (std::filesystem::create_directory(base / name, ec)) m_path = base / name;
        }
        if (m_path.empty()) throw std::runtime_error("cannot make a scratch folder");
    }
    // Under /dev/shm where there is one: for tests that write many files, to spare the disk.
    static ScratchDir InMemory(std::string_view prefix = "tavimet") {
        std::error_code ec;
        return ScratchDir(prefix, std::filesystem::is_directory("/dev/shm", ec)
                                      ? std::filesystem::path("/dev/shm")
                                      : std::filesystem::path());
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(ScratchDir&& other) noexcept : m_path(std::move(other.m_path)) {
        other.m_path.clear();
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ScratchDir& operator=(ScratchDir&&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Str() const { return m_path.string(); }
    // The full path of NAME inside the folder.
    std::string operator/(std::string_view name) const { return (m_path / name).string(); }

    // Writes BYTES to the file REL (its folders made as needed); returns its full path.
    std::string Write(std::string_view rel, std::string_view bytes = {}) const {
        const std::filesystem::path p = m_path / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return p.string();
    }
    std::string Read(std::string_view rel) const { return ReadWholeFile(m_path / rel); }
    std::string MakeDir(std::string_view rel) const {
        const std::filesystem::path p = m_path / rel;
        std::filesystem::create_directories(p);
        return p.string();
    }

private:
    std::filesystem::path m_path;
};

// Runs a scope with the working directory changed, restoring it afterwards.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedCwd() {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
    }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::filesystem::path m_old;
};
