#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace orbix::test {

// A fresh temporary directory, removed with its contents when the object goes.
struct CTempDir {
    CTempDir() {
        if (mkdtemp(path.data()) == nullptr) throw std::runtime_error("no temporary directory");
    }
    CTempDir(const CTempDir&) = delete;
    ~CTempDir() { std::filesystem::remove_all(path, ignored); }
    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path = std::filesystem::temp_directory_path() / "orbixdb.XXXXXX";
    std::error_code ignored;
};

inline std::string ReadBytes(const std::string& path) {
    return std::string(
        std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace orbix::test
