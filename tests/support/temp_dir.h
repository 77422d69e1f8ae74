// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace vg::test {

class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

/// Writes bytes to a file, replacing it.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

/// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

/// A native path as the UTF-16 text the program's services take.
std::u16string Wide(const std::filesystem::path& path);

} // namespace vg::test
