// A fresh directory under the system temp dir, removed with everything in it at the end of a test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "TestSystem.h"

class ScratchDir {
public:
    ScratchDir() { m_path = testsys::MakeTempDirectory(); }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Str() const { return m_path.string(); }

    // Writes BYTES to the file REL (directories created as needed); returns its full path.
    std::string Write(std::string_view rel, std::string_view bytes = {}) const {
        const auto p = m_path / std::filesystem::path(std::string(rel));
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return p.string();
    }
    std::string MakeDir(std::string_view rel) const {
        const auto p = m_path / std::filesystem::path(std::string(rel));
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
