// Parser of the recorder's line format: "key=value" with "\\" and "\n" escaped.
#include "support/launch_record.h"

#include "support/temp_dir.h"

#include <filesystem>
#include <sstream>

namespace vg::test {
namespace {

std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[++i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::optional<LaunchRecord> ReadLaunchRecord(const std::string& path) {
    if (!std::filesystem::exists(path)) {
        return std::nullopt;
    }
    LaunchRecord record;
    std::istringstream lines(ReadFile(path));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = Unescaped(line.substr(equals + 1));
        if (key == "arg") {
            record.argv.push_back(value);
        } else if (key == "cwd") {
            record.cwd = value;
        } else if (key.rfind("std", 0) == 0) {
            record.standardDescriptors[std::stoi(key.substr(3))] = value;
        } else if (key.rfind("fd", 0) == 0) {
            record.otherDescriptors[std::stoi(key.substr(2))] = value;
        } else if (key == "monotonic_ns") {
            record.monotonicNs = std::stoll(value);
        }
    }
    return record;
}

} // namespace vg::test
