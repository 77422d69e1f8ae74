// Making the folders a file is about to be written into.
#pragma once

#include <string_view>

namespace vg::net {

/// Creates every folder on the way to the file at `path`, from the top down; the last part (the
/// file name) is never created. "\" and "/" both separate; a separator in front of the path
/// starts no folder, so "\name" creates nothing. Folders that exist are kept. False as soon as a
/// folder cannot be created (something else is in its place, or it is refused), with the last
/// error left by the failed creation; the folders made before it stay.
bool CreateParentDirectories(std::u16string_view path);

} // namespace vg::net
