// The PC report upload: signature, collection, SSD count, form body and post.
#include "pcspec/pc_report_upload.h"

#include "net/http_post.h"
#include "pcspec/system_info_collectors.h"
#include "platform/system_info.h"
#include "util/md5.h"
#include "util/text_encoding.h"
#include "util/wide_text.h"
#include "vg/deployment_settings.h"

#include <string>

namespace vg::pcspec {
namespace {

constexpr std::u16string_view kSignaturePrefix = u"Post-HwInfo#";

} // namespace

std::u16string_view ServiceApiHost(std::u16string_view mode) {
    if (util::EqualsIgnoreAsciiCase(mode, u"live") || util::EqualsIgnoreAsciiCase(mode, u"real")) {
        return deployment::kServiceApiHostLive;
    }
    return deployment::kServiceApiHostQa;
}

std::u16string PcSpecSignature(std::u16string_view encStr) {
    return util::Md5HexUpper(std::u16string(kSignaturePrefix) + std::u16string(encStr));
}

std::u16string PcSpecBody(const PcSpecValues& values) {
    using util::UrlEncodeAnsi;
    return u"hs=" + UrlEncodeAnsi(values.signature) + u"&os=" + UrlEncodeAnsi(values.os) +
           u"&cpu=" + UrlEncodeAnsi(values.cpu) + u"&vga=" + UrlEncodeAnsi(values.vga) + u"&ram=" +
           UrlEncodeAnsi(values.ram) + u"&hdd=" + UrlEncodeAnsi(values.hdd) + u"&ssd=" +
           util::WidenAscii(std::to_string(values.ssd)) + u"&directx=" +
           UrlEncodeAnsi(values.directx);
}

int CountSolidStateDrives(const std::vector<std::u16string>& fixedDriveList) {
    int count = 0;
    for (const std::u16string& entry : fixedDriveList) {
        const std::u16string_view root = std::u16string_view(entry).substr(0, entry.find(u'|'));
        if (!root.empty() && platform::IsVolumeTrimEnabled(root.front())) {
            ++count;
        }
    }
    return count;
}

bool SendPcSpec(std::u16string_view mode, std::u16string_view encStr) {
    if (encStr.empty()) {
        return false;
    }
    PcSpecValues values;
    values.signature = PcSpecSignature(encStr);
    values.os = GetOsInfoText();
    values.cpu = GetCpuInfoText();
    values.ram = GetRamInfoText();
    values.vga = GetVgaInfoText();
    // One walk over the drives serves both drive texts, so they describe the same moment.
    const std::vector<FixedDrive> drives = FindFixedDrives();
    values.hdd = HarddiskInfoText(drives);
    values.directx = GetDirectXVersionText();
    values.ssd = CountSolidStateDrives(FixedDriveList(drives));

    const std::u16string url =
        std::u16string(ServiceApiHost(mode)) + u"/pcspec/send/" + std::u16string(encStr);
    std::u16string response;
    net::HttpPostForm(url, PcSpecBody(values), u"", 1, response);
    return true;
}

} // namespace vg::pcspec
