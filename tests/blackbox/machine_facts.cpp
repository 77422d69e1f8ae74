// The machine's own values for the black-box reports.
#include "blackbox/machine_facts.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

/// /sys/dev/block/<major>:<minor> of the device holding the folder.
fs::path BlockDeviceDirectory(const fs::path& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return {};
    }
    return fs::path("/sys/dev/block") /
           (std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev)));
}

} // namespace

std::optional<std::string> MachineMacText() {
    std::set<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/net", error)) {
        names.insert(entry.path().filename().string());
    }
    for (const std::string& name : names) {
        const fs::path dir = fs::path("/sys/class/net") / name;
        const std::string address = ReadFirstLine(dir / "address");
        if (name == "lo" || ReadFirstLine(dir / "type") == "772" || address.size() != 17 ||
            address == "00:00:00:00:00:00") {
            continue;
        }
        std::string text;
        for (const char c : address) {
            if (c != ':') {
                text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        return text;
    }
    return std::nullopt;
}

bool IsOnBlockDevice(const fs::path& folder) {
    const fs::path device = BlockDeviceDirectory(folder);
    return !device.empty() && fs::exists(device);
}

bool IsOnTrimDisk(const fs::path& folder) {
    fs::path device = BlockDeviceDirectory(folder);
    if (device.empty() || !fs::exists(device)) {
        return false;
    }
    device = fs::canonical(device);
    if (fs::exists(device / "partition")) {
        device = device.parent_path();
    }
    const std::string maxBytes = ReadFirstLine(device / "queue" / "discard_max_bytes");
    return !maxBytes.empty() && std::stoull(maxBytes) > 0;
}

std::string OsPrettyName() {
    std::ifstream in("/etc/os-release");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return "";
}

std::string KernelRelease() {
    struct utsname names {};
    ::uname(&names);
    return names.release;
}

std::string CpuModelName() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && Trimmed(line.substr(0, colon)) == "model name") {
            return Trimmed(line.substr(colon + 1));
        }
    }
    return "";
}

std::uint64_t TotalMemoryBytes() {
    struct sysinfo info {};
    ::sysinfo(&info);
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

std::uint64_t FreeMebibytes(const fs::path& folder) {
    struct statvfs info {};
    ::statvfs(folder.c_str(), &info);
    return (static_cast<std::uint64_t>(info.f_bfree) * info.f_frsize) >> 20;
}

MachineFacts LinuxMachineFacts(const std::map<char, fs::path>& drives) {
    MachineFacts facts;
    facts.macText = MachineMacText();
    const auto driveC = drives.find('c');
    if (driveC != drives.end() && IsOnBlockDevice(driveC->second)) {
        facts.systemVolumeSerial = static_cast<std::uint32_t>(
            std::stoul(ReadFirstLine(driveC->second / ".windows-serial"), nullptr, 16));
    }
    facts.osText = (OsPrettyName().empty() ? "Linux" : OsPrettyName()) +
                   (sizeof(void*) == 8 ? " 64 bit" : " 32 bit") + " (Build " + KernelRelease() +
                   ")";
    facts.cpuName = CpuModelName();
    facts.hasDisplayAdapter = HasDisplayAdapter();
    facts.totalMemoryBytes = TotalMemoryBytes();
    for (const auto& [letter, folder] : drives) {
        if (IsOnBlockDevice(folder)) {
            facts.fixedDrives.push_back({letter, FreeMebibytes(folder), IsOnTrimDisk(folder)});
        }
    }
    return facts;
}

// The probe prints: mac, system-volume-serial (only for a fixed system drive), drive (one line
// per fixed drive: "<letter> <free MiB> <0 or 1>"), os-product, os-build, os-bits, cpu,
// ram-bytes, vga.
MachineFacts ParseWindowsMachineFacts(std::string_view probeOutput) {
    std::map<std::string, std::string> values;
    MachineFacts facts;
    std::istringstream lines{std::string(probeOutput)};
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "drive") {
            std::istringstream fields(value);
            FixedDrive drive;
            int trim = 0;
            fields >> drive.letter >> drive.freeMebibytes >> trim;
            drive.trim = trim != 0;
            facts.fixedDrives.push_back(drive);
        } else {
            values[key] = value;
        }
    }
    if (values.count("mac")) {
        facts.macText = values["mac"];
    }
    if (values.count("system-volume-serial")) {
        facts.systemVolumeSerial =
            static_cast<std::uint32_t>(std::stoul(values["system-volume-serial"], nullptr, 16));
    }
    facts.osText =
        values["os-product"] + " " + values["os-bits"] + " bit (Build " + values["os-build"] + ")";
    facts.cpuName = Trimmed(values["cpu"]);
    facts.hasDisplayAdapter = values.count("vga") != 0;
    if (facts.hasDisplayAdapter) {
        facts.displayAdapterName = values["vga"];
    }
    facts.totalMemoryBytes = values.count("ram-bytes") ? std::stoull(values["ram-bytes"]) : 0;
    return facts;
}

bool HasDisplayAdapter() {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/drm", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("card", 0) == 0 && name.find('-') == std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace vg::test
