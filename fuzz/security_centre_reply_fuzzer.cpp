// Fuzz target: the security centre's reply, as the network delivers it, read for its "status".
#include "pcreg/security_centre.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), size);
    // Any bytes give an answer: no exception, crash or undefined conversion of a huge status.
    static_cast<void>(vg::pcreg::IsSuccessfulReply(reply));
    return 0;
}
