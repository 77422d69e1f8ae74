// Fuzz target: the comparison of a published version text with the program's own, fed two UTF-16
// texts separated by the first line feed.
#include "selfupdate/self_update.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    const std::size_t split = text.find(u'\n');
    const std::u16string published = text.substr(0, split);
    const std::u16string own = split == std::u16string::npos ? u"" : text.substr(split + 1);
    const int newer = vg::selfupdate::IsNewerVersion(published, own);
    // One order at most can be newer, and no text is newer than itself.
    if ((newer == 1 && vg::selfupdate::IsNewerVersion(own, published) == 1) ||
        vg::selfupdate::IsNewerVersion(published, published) != 0) {
        __builtin_trap();
    }
    return 0;
}
