// The report's text rules, as pure functions of the system's values.
#include "pcspec/system_info_texts.h"

#include "util/leading_integer.h"
#include "util/text_encoding.h"
#include "util/wide_text.h"

#include <string>

namespace vg::pcspec {
namespace {

constexpr std::uint32_t kFirstWindows11Build = 22000;

/// The decimal number of the text's leading digits; 0 when it starts with something else. The
/// number stops growing once it has passed every value its callers compare with.
std::uint32_t LeadingNumber(std::u16string_view text) {
    constexpr std::uint32_t kCeiling = 1'000'000'000;
    return static_cast<std::uint32_t>(util::ReadDecimalDigits(text, kCeiling));
}

/// The piece of four characters from `start`, or what is left of the text there.
std::u16string_view FourCharacters(std::u16string_view text, std::size_t start) {
    return start < text.size() ? text.substr(start, 4) : std::u16string_view{};
}

std::u16string Decimal(std::uint64_t value) {
    return util::WidenAscii(std::to_string(value));
}

std::u16string DirectXTextForRuntime9(int windowsGeneration) {
    switch (windowsGeneration) {
    case 10:
        return u"DirectX 12.0";
    case 8:
    case 7:
        return u"DirectX 11.0";
    case 6:
        return u"DirectX 10.0";
    default:
        return u"DirectX 9.0c";
    }
}

std::u16string DirectXTextForBuild(std::uint32_t build) {
    if (build == 6000) {
        return u"DirectX 10.0";
    }
    if (build == 6001 || build == 6002) {
        return u"DirectX 11.0";
    }
    return u"DirectX 12.0";
}

} // namespace

std::u16string OsInfoText(std::u16string productName, std::u16string_view build, bool is64Bit) {
    if (LeadingNumber(build) >= kFirstWindows11Build &&
        productName.find(u"Windows 10") != std::u16string::npos) {
        util::ReplaceAll(productName, u"Windows 10", u"Windows 11");
    }
    productName.append(is64Bit ? u" 64 bit" : u" 32 bit").append(u" (Build ").append(build);
    return productName.append(u")");
}

std::u16string CpuInfoText(std::u16string processorName) {
    util::Trim(processorName);
    return processorName;
}

std::u16string RamInfoText(std::uint64_t totalBytes) {
    std::uint64_t mebibytes = WholeMebibytes(totalBytes);
    if (mebibytes % 2 == 1) {
        ++mebibytes;
    }
    return Decimal(mebibytes) + u"MB";
}

std::uint64_t WholeMebibytes(std::uint64_t bytes) {
    return bytes >> 20;
}

std::u16string HarddiskGroup(std::u16string_view root, std::uint64_t freeMebibytes) {
    std::u16string group(u"[");
    group.append(root).append(u" - ").append(Decimal(freeMebibytes));
    return group.append(u"MB]");
}

std::u16string FixedDriveEntry(std::u16string_view root, std::uint64_t freeMebibytes) {
    std::u16string entry(root);
    for (char16_t& c : entry) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return entry.append(u"|").append(Decimal(freeMebibytes));
}

int WindowsGeneration(platform::OsVersion version) {
    if (version.major == 10) {
        return 10;
    }
    if (version.major == 6) {
        return version.minor == 0 ? 6 : version.minor == 1 ? 7 : 8;
    }
    return 0;
}

std::u16string DirectXVersionText(std::u16string_view registryVersion, int windowsGeneration) {
    const std::uint32_t runtime = LeadingNumber(FourCharacters(registryVersion, 2));
    const std::uint32_t build = LeadingNumber(FourCharacters(registryVersion, 5));
    switch (runtime) {
    case 0:
        return DirectXTextForBuild(build);
    case 1:
        return u"DirectX 11.0";
    case 2:
        return u"DirectX 11.1";
    case 3:
        return u"DirectX 11.2";
    case 9:
        return DirectXTextForRuntime9(windowsGeneration);
    default:
        return u"DirectX 9.0c";
    }
}

} // namespace vg::pcspec
