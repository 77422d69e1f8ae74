// The security centre: where a registration request goes, how it is authorised, and which
// replies mean success.
#pragma once

#include <string>
#include <string_view>

namespace vg::pcreg {

/// The security-centre host for a mode, and whether it is reached over HTTPS.
struct SecurityCentreEndpoint {
    std::u16string_view host;
    int secure = 1;
};

/// Case-sensitive searches in this order: "Real", "real" or "live" choose production over
/// HTTPS; else "stage" the stage host over HTTPS; else the QA host, over HTTPS when the mode
/// contains "qa" and plain HTTP otherwise.
SecurityCentreEndpoint ChooseSecurityCentreEndpoint(std::u16string_view mode);

/// The request path: register (registerMode 1) or verify (0), first or second protocol.
std::u16string_view SecurityCentrePath(int registerMode, int secondProtocol);

/// The header block that carries the JSON content type and the token.
std::u16string SecurityCentreHeaders(std::u16string_view encStr);

/// Whether the security centre's reply (UTF-8 JSON) reports success: an object whose "status",
/// read as a 32-bit integer, is 0. Booleans read as 0 and 1, integers by their low 32 bits,
/// fractions truncated toward zero. Text that is not JSON, another value than an object, no
/// "status", or a "status" of any other type is a failure.
bool IsSuccessfulReply(std::string_view utf8Reply);

/// Posts the request document to the security centre and reads its reply; true exactly when the
/// reply reports success. A token with a control character is not sent (it would break out of
/// its header line), and counts as a failed request.
bool SendSecurityCentreRequest(std::u16string_view body, int registerMode, int secondProtocol,
                               std::u16string_view mode, std::u16string_view encStr);

} // namespace vg::pcreg
