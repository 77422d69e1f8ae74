// The simple display name of a certificate subject, chosen and compared the way Windows does for
// a file's signer; plain data in and out, so that it is tested without any certificate.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vg::platform::posix {

/// The attribute types that the display-name choice looks for.
enum class NameAttributeType { kCommonName, kOrganizationalUnit, kOrganization, kEmail, kOther };

/// One attribute of a distinguished name, in the order the name stores them.
struct NameAttribute {
    NameAttributeType type = NameAttributeType::kOther;
    std::u16string value;
};

/// The name as CERT_NAME_SIMPLE_DISPLAY_TYPE chooses it: the first common name of the subject,
/// else its first organisational unit, organisation or e-mail address (in that order of
/// preference), else the first of `rfc822AltNames`, else the subject's first attribute, else
/// nothing.
std::u16string SimpleDisplayName(std::span<const NameAttribute> subject,
                                 std::span<const std::u16string> rfc822AltNames);

inline constexpr std::uint32_t kSignerNameEqual = 0;
inline constexpr std::uint32_t kSignerNameDifferent = 1;

/// kSignerNameEqual when the names are equal over their whole length, letter case included;
/// kSignerNameDifferent otherwise.
std::uint32_t CompareSignerName(std::u16string_view actual, std::u16string_view expected);

/// The text of a directory string of the universal ASN.1 type `tag` (the DER tag number): a
/// BMPString as its UTF-16 code units, a UniversalString from UCS-4, a UTF8String from UTF-8, a
/// TeletexString as UTF-8 when it is valid UTF-8 and as Latin-1 otherwise, and the other string
/// types byte for byte as Latin-1. Broken input becomes U+FFFD, never an error.
std::u16string DecodeDirectoryString(int tag, std::span<const std::uint8_t> bytes);

} // namespace vg::platform::posix
