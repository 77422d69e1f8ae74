// Fuzz target: launch URL parsing, fed UTF-16 text from the input's bytes.
#include "app/launch_url.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    vg::app::LaunchFields fields;
    const int accepted = vg::app::ParseLaunchUrl(text, fields);
    if (accepted == 1 && (fields.gameName.empty() || fields.encStr.empty())) {
        __builtin_trap();
    }
    return 0;
}
