// The text form of a UUID: lower-case hexadecimal in 8-4-4-4-12 groups, on every platform.
#include "platform/uuid.h"

#include <cstdio>

namespace vg::platform {

std::string FormatUuid(const Uuid& uuid) {
    char text[37];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned>(uuid.data1), static_cast<unsigned>(uuid.data2),
                  static_cast<unsigned>(uuid.data3), uuid.data4[0], uuid.data4[1], uuid.data4[2],
                  uuid.data4[3], uuid.data4[4], uuid.data4[5], uuid.data4[6], uuid.data4[7]);
    return text;
}

} // namespace vg::platform
