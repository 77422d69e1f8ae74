// vg-demo-launcher: writes the demo game's launcher, a small Windows program file (made by the
// test support code's PE writer, with a version resource), for the demo to sign and serve.
// Usage: vg-demo-launcher OUTPUT-FILE
#include "support/pe_writer.h"
#include "version_block/version_block_writer.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    vg::tools::VersionBlockSpec version;
    version.fileVersion = {1, 0, 0, 0};
    version.productVersion = {1, 0, 0, 0};
    version.stringTables.push_back({0x0409,
                                    0x04B0,
                                    {{u"CompanyName", u"Varnugames"},
                                     {u"FileDescription", u"Demo game launcher"},
                                     {u"ProductName", u"Varnugames Demo Game"},
                                     {u"ProductVersion", u"1.0.0.0"}}});
    version.translations = std::vector<std::pair<std::uint16_t, std::uint16_t>>{{0x0409, 0x04B0}};
    vg::test::PeImageSpec image;
    image.sections.push_back(
        {".text", std::vector<std::uint8_t>(16, 0xC3), vg::test::kSectionCode});
    image.versionBlock = vg::tools::BuildVersionBlock(version);
    try {
        vg::test::WriteBinaryFile(argv[1], vg::test::BuildPeImage(image).bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
