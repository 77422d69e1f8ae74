// Sequential UUIDs on Windows: UuidCreateSequential of the RPC runtime (rpcrt4). Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/uuid.h"

#include <windows.h>

#include <rpc.h>

#include <algorithm>
#include <iterator>

namespace vg::platform {

static_assert(kRpcSOk == RPC_S_OK && kRpcSUuidLocalOnly == RPC_S_UUID_LOCAL_ONLY,
              "the status numbers are the RPC runtime's own");

std::uint32_t CreateSequentialUuid(Uuid& uuid) {
    UUID made{};
    const RPC_STATUS status = ::UuidCreateSequential(&made);
    uuid.data1 = made.Data1;
    uuid.data2 = made.Data2;
    uuid.data3 = made.Data3;
    std::copy(std::begin(made.Data4), std::end(made.Data4), uuid.data4.begin());
    return static_cast<std::uint32_t>(status);
}

} // namespace vg::platform
