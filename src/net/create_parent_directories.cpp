// Making the folders on a file's path, one prefix at a time from the left.
#include "net/create_parent_directories.h"

#include "platform/file_system.h"

namespace vg::net {
namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

} // namespace

bool CreateParentDirectories(std::u16string_view path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (!IsSeparator(path[i])) {
            continue;
        }
        // The separator stays on the prefix, so a drive's root ("C:\") is one as well.
        const std::u16string_view folder = path.substr(0, i + 1);
        if (!platform::DirectoryExists(folder) && !platform::MakeDirectory(folder)) {
            return false;
        }
    }
    return true;
}

} // namespace vg::net
