// A temporary directory for file tests, removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <stdlib.h>
#include <string>

#include "TestSystem.h"

class CTempDir {
public:
    CTempDir() {
        m_path = testsys::MakeTempDirectory();
        if (m_path.empty()) throw std::runtime_error("no temporary folder");
    }
    ~CTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Creates a file (and its directories) holding text.
    std::string Write(const std::string& name, const std::string& text) const {
        std::filesystem::path p = std::filesystem::path(m_path) / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(std::filesystem::path(m_path) / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string m_path;
};
