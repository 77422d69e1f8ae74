// Scratch folders and small file helpers for tests.
#include "support/temp_dir.h"

#include "util/text_encoding.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

namespace vg::test {
namespace {

#ifdef _WIN32
// The folder for temporary files as GetTempPathW gives it, with a fresh name of six letters and
// digits; a name that is taken already is drawn again.
std::filesystem::path MakeUniqueFolder() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "vg-test-";
        for (int i = 0; i < 6; ++i) {
            name += kLetters[pick(random)];
        }
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            return base / name;
        }
        if (error) {
            break;
        }
    }
    throw std::runtime_error("cannot make a scratch folder");
}
#else
// $TMPDIR, else /tmp; mkdtemp makes the folder for the user alone.
std::filesystem::path MakeUniqueFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vg-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    return pattern;
}
#endif

} // namespace

TempDir::TempDir() : path_(MakeUniqueFolder()) {}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::u16string Wide(const std::filesystem::path& path) {
#ifdef _WIN32
    // Windows keeps paths in UTF-16 already; string() would go through the ANSI code page.
    return path.u16string();
#else
    return util::FromUtf8(path.string());
#endif
}

} // namespace vg::test
