// Writing the recorders' line format, "key=value" with "\\" and "\n" escaped, on Linux and on
// Windows alike.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace vg::test {

/// One line of a launch record: the key, "=", the value with backslashes and line feeds escaped.
inline std::string RecordLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    for (const char c : value) {
        if (c == '\\') {
            line += "\\\\";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    return line + "\n";
}

/// Writes the record beside `path` and renames it into place, so that a reader never sees half
/// a record. False when either step fails.
inline bool WriteRecordInPlace(const std::filesystem::path& path, const std::string& record) {
    std::filesystem::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << record;
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    return !error;
}

} // namespace vg::test
