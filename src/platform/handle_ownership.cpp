// Moving and destroying the owning handle types, the same on every platform: each backend gives
// their Open or Create and their Close.
#include "platform/file.h"
#include "platform/named_mutex.h"

#include <utility>

namespace vg::platform {

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

File::~File() {
    Close();
}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
      alreadyExisted_(std::exchange(other.alreadyExisted_, false)) {}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kNoHandle);
        alreadyExisted_ = std::exchange(other.alreadyExisted_, false);
    }
    return *this;
}

NamedMutex::~NamedMutex() {
    Close();
}

} // namespace vg::platform
