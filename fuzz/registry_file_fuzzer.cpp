// libFuzzer target for the reader of Wine's registry files: the bytes are parsed as a file, and a
// few keys and values are looked up in what came out.
#include "platform/posix/wine_registry_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using vg::platform::posix::WineRegistryFile;
using vg::platform::posix::WineRegistryKey;

constexpr std::array<std::u16string_view, 5> kKeys = {u"", u"Software", u"Software\\Vendor\\Game",
                                                      u"SOFTWARE\\WOW6432NODE\\VENDOR\\GAME",
                                                      u"System\\CurrentControlSet"};

constexpr std::array<std::u16string_view, 4> kValues = {u"", u"InstallPath", u"installpath",
                                                        u"SymbolicLinkValue"};

void QueryValues(const WineRegistryKey& key) {
    for (const std::u16string_view name : kValues) {
        const auto* value = WineRegistryFile::FindValue(key, name);
        if (value && value->data.size() > vg::platform::posix::kMaxRegistryValueBytes) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const WineRegistryFile file = WineRegistryFile::Parse(text);
    for (const std::u16string_view path : kKeys) {
        if (const WineRegistryKey* key = file.FindKey(path)) {
            QueryValues(*key);
        }
    }
    static_cast<void>(file.IsWin64());
    static_cast<void>(file.RelativeTo().size());
    return 0;
}
