// Parsers of os-release, /proc/cpuinfo, pci.ids, ".windows-serial" and machine names.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/system_description_text.h"
#include "platform/posix/whole_number.h"

#include <algorithm>
#include <array>

namespace vg::platform::posix {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

std::string_view TrimLeft(std::string_view text, std::string_view characters) {
    const std::size_t first = text.find_first_not_of(characters);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view characters) {
    const std::size_t last = text.find_last_not_of(characters);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text, std::string_view characters) {
    return TrimRight(TrimLeft(text, characters), characters);
}

/// Calls visit(line) for each line of a text, without its line feed; stops when visit returns
/// false.
template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!visit(line)) {
            return;
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

/// An os-release value as the shell would read it: quotes removed, escapes resolved.
std::string UnquoteOsReleaseValue(std::string_view raw) {
    std::string value;
    char quote = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (quote == '\'') {
            if (c == '\'') {
                quote = 0;
            } else {
                value += c;
            }
        } else if (c == '\\' && i + 1 < raw.size()) {
            value += raw[++i];
        } else if (quote == '"' && c == '"') {
            quote = 0;
        } else if (quote == 0 && (c == '"' || c == '\'')) {
            quote = c;
        } else if (quote == 0 && kWhiteSpace.find(c) != std::string_view::npos) {
            break;
        } else {
            value += c;
        }
    }
    return value;
}

std::optional<std::string> NonEmpty(std::optional<std::string> value) {
    return value && !value->empty() ? value : std::nullopt;
}

/// The value of the first cpuinfo line with exactly that key.
std::optional<std::string> CpuInfoValue(std::string_view text, std::string_view key) {
    std::optional<std::string> found;
    ForEachLine(text, [&](std::string_view line) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || Trim(line.substr(0, colon), kBlanks) != key) {
            return true;
        }
        found = std::string(TrimLeft(line.substr(colon + 1), kBlanks));
        return false;
    });
    return found;
}

std::optional<std::uint16_t> ParseHexId(std::string_view digits) {
    if (digits.size() != 4) {
        return std::nullopt;
    }
    return ParseWholeNumber<std::uint16_t>(digits, 16);
}

/// A pci.ids entry "xxxx  Name" (after the tabs that give its level): its id and name.
struct PciIdsEntry {
    std::uint16_t id = 0;
    std::string_view name;
};

std::optional<PciIdsEntry> ParsePciIdsEntry(std::string_view line) {
    const std::optional<std::uint16_t> id = ParseHexId(line.substr(0, 4));
    if (!id || line.size() < 5 || kBlanks.find(line[4]) == std::string_view::npos) {
        return std::nullopt;
    }
    return PciIdsEntry{*id, TrimRight(TrimLeft(line.substr(4), kBlanks), kWhiteSpace)};
}

bool IsPciIdsComment(std::string_view line) {
    return TrimLeft(line, kBlanks).starts_with('#') || Trim(line, kWhiteSpace).empty();
}

} // namespace

std::optional<std::string> OsReleaseValue(std::string_view text, std::string_view key) {
    std::optional<std::string> found;
    ForEachLine(text, [&](std::string_view line) {
        line = TrimLeft(line, kWhiteSpace);
        const std::size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos ||
            line.substr(0, equals) != key) {
            return true;
        }
        found = UnquoteOsReleaseValue(line.substr(equals + 1));
        return true;
    });
    return found;
}

std::string OsNameFromOsRelease(std::string_view text) {
    if (std::optional<std::string> pretty = NonEmpty(OsReleaseValue(text, "PRETTY_NAME"))) {
        return *pretty;
    }
    if (std::optional<std::string> name = NonEmpty(OsReleaseValue(text, "NAME"))) {
        return *name;
    }
    return "Linux";
}

std::optional<std::string> ProcessorNameFromCpuInfo(std::string_view text) {
    static constexpr std::array<std::string_view, 4> kKeysByPreference = {"model name", "Processor",
                                                                          "cpu model", "cpu"};
    for (const std::string_view key : kKeysByPreference) {
        if (std::optional<std::string> value = CpuInfoValue(text, key)) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> PciDeviceName(std::string_view pciIds, std::uint16_t vendor,
                                         std::uint16_t device) {
    std::optional<std::string_view> vendorName;
    std::optional<std::string> found;
    ForEachLine(pciIds, [&](std::string_view line) {
        if (IsPciIdsComment(line)) {
            return true;
        }
        if (line.starts_with("\t\t")) {
            return true; // a subsystem of the device above
        }
        if (line.starts_with('\t')) {
            const std::optional<PciIdsEntry> entry = ParsePciIdsEntry(line.substr(1));
            if (vendorName && entry && entry->id == device) {
                found = std::string(*vendorName) + ' ' + std::string(entry->name);
                return false;
            }
            return true;
        }
        // A line at the outer level ends the device list of the vendor found; the device
        // classes ("C xx  Name") follow the last vendor, so no vendor is to be found past them.
        if (vendorName || line.starts_with("C ")) {
            return false;
        }
        const std::optional<PciIdsEntry> entry = ParsePciIdsEntry(line);
        if (entry && entry->id == vendor) {
            vendorName = entry->name;
        }
        return true;
    });
    return found;
}

std::optional<std::uint32_t> ParseVolumeSerialText(std::string_view text) {
    text = Trim(text, kWhiteSpace);
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    return ParseWholeNumber<std::uint32_t>(text, 16);
}

bool IsSixtyFourBitMachine(std::string_view machine) {
    // Machine names of 64-bit kernels that do not end in "64".
    static constexpr std::array<std::string_view, 3> kOtherSixtyFourBit = {"ppc64le", "s390x",
                                                                           "alpha"};
    return machine.ends_with("64") ||
           std::find(kOtherSixtyFourBit.begin(), kOtherSixtyFourBit.end(), machine) !=
               kOtherSixtyFourBit.end();
}

} // namespace vg::platform::posix
