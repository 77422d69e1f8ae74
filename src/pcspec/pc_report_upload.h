// The PC report: the collectors' texts posted as one form to the service API.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vg::pcspec {

/// The service-API host for a mode: the live host when the whole mode is "live" or "real" in any
/// letter case, else the QA host.
std::u16string_view ServiceApiHost(std::u16string_view mode);

/// The request signature: the upper-case MD5 of "Post-HwInfo#" followed by the token.
std::u16string PcSpecSignature(std::u16string_view encStr);

/// The report's texts, before encoding.
struct PcSpecValues {
    std::u16string signature;
    std::u16string os;
    std::u16string cpu;
    std::u16string vga;
    std::u16string ram;
    std::u16string hdd;
    int ssd = 0;
    std::u16string directx;
};

/// "hs=…&os=…&cpu=…&vga=…&ram=…&hdd=…&ssd=<n>&directx=…", every text through UrlEncodeAnsi.
std::u16string PcSpecBody(const PcSpecValues& values);

/// How many entries of a fixed-drive list ("C:\|102400") name a volume with TRIM enabled; an
/// entry with nothing before its "|" is passed over. Counted per drive letter, not per disk.
int CountSolidStateDrives(const std::vector<std::u16string>& fixedDriveList);

/// Collects the report and posts it over HTTPS to "<host>/pcspec/send/<encStr>", the token as it
/// is. The answer is not looked at. False, with nothing collected or sent, for an empty token.
bool SendPcSpec(std::u16string_view mode, std::u16string_view encStr);

} // namespace vg::pcspec
