// The report's request: the host choice, the signature and the form body.
#include "pcspec/pc_report_upload.h"

#include "support/code_page_scope.h"
#include "util/md5.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::pcspec {
namespace {

TEST(PcReportRequestTest, OnlyTheWholeWordsLiveOrRealChooseTheLiveHost) {
    const std::u16string_view live = deployment::kServiceApiHostLive;
    const std::u16string_view qa = deployment::kServiceApiHostQa;
    const std::vector<std::pair<std::u16string, std::u16string_view>> cases = {
        {u"live", live},  {u"LIVE", live},  {u"Real", live}, {u"real", live},
        {u"live-kr", qa}, {u"reality", qa}, {u"qa", qa},     {u"", qa},
    };
    for (const auto& [mode, host] : cases) {
        EXPECT_EQ(ServiceApiHost(mode), host) << std::string(mode.begin(), mode.end());
    }
}

TEST(PcReportRequestTest, SignatureIsTheUpperCaseMd5OfThePrefixedToken) {
    EXPECT_EQ(PcSpecSignature(u"tok"), util::Md5HexUpper(u"Post-HwInfo#tok"));
    // MD5("Post-HwInfo#") itself, as md5sum gives it, pins the prefix's exact bytes.
    EXPECT_EQ(PcSpecSignature(u""), u"43576219C7B5BCCC9FE132575522893B");
}

TEST(PcReportRequestTest, BodyKeepsItsOrderAndEncodesEveryText) {
    test::ScopedThreadAnsiCodePage korean(949);
    const PcSpecValues values{.signature = u"ABCDEF0123456789ABCDEF0123456789",
                              .os = u"Windows 11 Pro 64 bit (Build 22631)",
                              .cpu = u"Intel(R) Core(TM) i5",
                              .vga = u"가 GPU",
                              .ram = u"16384MB",
                              .hdd = u"[c:\\ - 10MB]",
                              .ssd = 2,
                              .directx = u"DirectX 12.0"};
    EXPECT_EQ(PcSpecBody(values),
              u"hs=ABCDEF0123456789ABCDEF0123456789"
              u"&os=Windows%2011%20Pro%2064%20bit%20%28Build%2022631%29"
              u"&cpu=Intel%28R%29%20Core%28TM%29%20i5"
              u"&vga=%B0%A1%20GPU&ram=16384MB&hdd=%5Bc%3A%5C%20-%2010MB%5D&ssd=2"
              u"&directx=DirectX%2012.0");
}

} // namespace
} // namespace vg::pcspec
