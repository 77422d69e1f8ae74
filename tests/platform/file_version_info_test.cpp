// Version information read from real files: PE images made by the test PE writer, ELF files
// with a ".vgversion" section, and files that have none or are damaged.
#include "platform/file_version_info.h"
#include "support/pe_writer.h"
#include "support/platform_quirks.h"
#include "support/temp_dir.h"
#include "util/file_version_string.h"
#include "version_block/version_block_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vg::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes VersionBlock() {
    tools::VersionBlockSpec wanted;
    wanted.fileVersion = {1, 2, 3, 4};
    wanted.productVersion = {1, 2, 3, 4};
    wanted.stringTables = {{0x0412, 0x04B0, {{u"ProductVersion", u"1.2.3.4"}}}};
    wanted.translations = {{{0x0412, 0x04B0}}};
    return tools::BuildVersionBlock(wanted);
}

test::PeImage PeWithVersion(test::PeKind kind) {
    test::PeImageSpec wanted;
    wanted.kind = kind;
    wanted.sections = {{".text", {0xC3}, test::kSectionCode}};
    wanted.versionBlock = VersionBlock();
    return test::BuildPeImage(wanted);
}

// The parts of an ELF file the section reader looks at: the file header, one section with the
// given contents, the section-name table and the section table.
struct ElfSpec {
    bool is64 = true;
    bool bigEndian = false;
    std::string sectionName = ".vgversion";
    std::uint32_t sectionType = 1; // SHT_PROGBITS
    std::optional<std::uint64_t> sectionOffset;
};

class ElfBuilder {
public:
    explicit ElfBuilder(const ElfSpec& wanted) : wanted_(wanted) {}

    Bytes Build(const Bytes& contents) {
        const std::size_t headerSize = wanted_.is64 ? 64 : 52;
        const std::size_t entrySize = wanted_.is64 ? 64 : 40;
        const std::string names = '\0' + wanted_.sectionName + '\0' + ".shstrtab" + '\0';
        const std::size_t contentsOffset = 64;
        const std::size_t namesOffset = contentsOffset + contents.size();
        const std::size_t tableOffset = (namesOffset + names.size() + 7) / 8 * 8;
        bytes_.assign(tableOffset + 3 * entrySize, 0);
        std::copy(contents.begin(), contents.end(), At(contentsOffset));
        std::copy(names.begin(), names.end(), At(namesOffset));
        const auto elfClass = static_cast<std::uint8_t>(wanted_.is64 ? 2 : 1);
        const auto byteOrder = static_cast<std::uint8_t>(wanted_.bigEndian ? 2 : 1);
        const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', elfClass, byteOrder, 1};
        std::copy(std::begin(ident), std::end(ident), bytes_.begin());
        Put(16, 2, 2);                                                  // e_type: executable
        Put(wanted_.is64 ? 40 : 32, tableOffset, wanted_.is64 ? 8 : 4); // e_shoff
        Put(wanted_.is64 ? 52 : 40, headerSize, 2);                     // e_ehsize
        Put(wanted_.is64 ? 58 : 46, entrySize, 2);                      // e_shentsize
        Put(wanted_.is64 ? 60 : 48, 3, 2);                              // e_shnum
        Put(wanted_.is64 ? 62 : 50, 2, 2);                              // e_shstrndx
        PutSection(tableOffset + entrySize, 1, wanted_.sectionType,
                   wanted_.sectionOffset.value_or(contentsOffset), contents.size());
        PutSection(tableOffset + 2 * entrySize, 2 + wanted_.sectionName.size(), 3, namesOffset,
                   names.size());
        return bytes_;
    }

private:
    Bytes::iterator At(std::size_t offset) {
        return bytes_.begin() + static_cast<std::ptrdiff_t>(offset);
    }

    void Put(std::size_t offset, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = wanted_.bigEndian ? width - 1 - i : i;
            bytes_[offset + index] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
        }
    }

    void PutSection(std::size_t header, std::uint64_t name, std::uint32_t type,
                    std::uint64_t offset, std::uint64_t size) {
        const std::size_t word = wanted_.is64 ? 8 : 4;
        Put(header, name, 4);
        Put(header + 4, type, 4);
        Put(header + (wanted_.is64 ? 24 : 16), offset, word);
        Put(header + (wanted_.is64 ? 32 : 20), size, word);
    }

    const ElfSpec& wanted_;
    Bytes bytes_;
};

class FileVersionInfoTest : public ::testing::Test {
protected:
    std::u16string Write(const std::string& name, const Bytes& bytes) {
        const std::filesystem::path path = dir_.Path() / name;
        test::WriteBinaryFile(path, bytes);
        return path.u16string();
    }

    test::TempDir dir_;
};

TEST_F(FileVersionInfoTest, ReadsTheVersionResourceOfPe32AndPe32PlusImages) {
    for (const test::PeKind kind : {test::PeKind::kPe32, test::PeKind::kPe32Plus}) {
        const std::u16string path = Write("program.exe", PeWithVersion(kind).bytes);
        EXPECT_EQ(ReadFileVersionInfo(path), VersionBlock());
        EXPECT_EQ(util::GetFileVersionString(path, u"ProductVersion"), u"1.2.3.4");
    }
    // Windows-form separators reach the same file.
    std::u16string windowsForm = dir_.Path().u16string() + u"\\program.exe";
    EXPECT_EQ(util::GetFileVersionString(windowsForm, u"ProductVersion"), u"1.2.3.4");
}

TEST_F(FileVersionInfoTest, ReadsTheVgversionSectionOfElfFiles) {
    if (test::kWindowsBuild) {
        GTEST_SKIP() << "the Linux program keeps its version block in an ELF section";
    }
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            ElfSpec wanted;
            wanted.is64 = is64;
            wanted.bigEndian = bigEndian;
            const std::u16string path = Write("program", ElfBuilder(wanted).Build(VersionBlock()));
            EXPECT_EQ(ReadFileVersionInfo(path), VersionBlock()) << is64 << bigEndian;
        }
    }
}

TEST_F(FileVersionInfoTest, ReadsAtMost64KiBOfAnOversizedResource) {
    Bytes contents = VersionBlock();
    contents.resize(100000, 0xAB);
    test::PeImageSpec wanted;
    wanted.sections = {{".text", {0xC3}, test::kSectionCode}};
    wanted.versionBlock = contents;
    const std::u16string path = Write("program.exe", test::BuildPeImage(wanted).bytes);
    const Bytes block = ReadFileVersionInfo(path);
    EXPECT_GE(block.size(), VersionBlock().size());
    EXPECT_LE(block.size(), 65536u);
    EXPECT_EQ(util::GetFileVersionString(path, u"ProductVersion"), u"1.2.3.4");
}

TEST_F(FileVersionInfoTest, ReadsAtMost64KiBOfAnOversizedSection) {
    if (test::kWindowsBuild) {
        GTEST_SKIP() << "the Linux program keeps its version block in an ELF section";
    }
    Bytes contents = VersionBlock();
    contents.resize(100000, 0xAB);
    const std::u16string path = Write("program", ElfBuilder({}).Build(contents));
    EXPECT_EQ(ReadFileVersionInfo(path).size(), 65536u);
    EXPECT_EQ(util::GetFileVersionString(path, u"ProductVersion"), u"1.2.3.4");
}

TEST_F(FileVersionInfoTest, GivesNothingForFilesWithoutVersionInformation) {
    test::PeImageSpec withoutResources;
    withoutResources.sections = {{".text", {0xC3}, test::kSectionCode}};
    ElfSpec noBits;
    noBits.sectionType = 8; // SHT_NOBITS
    ElfSpec longerName;
    longerName.sectionName = ".vgversions";
    ElfSpec pastTheEnd;
    pastTheEnd.sectionOffset = 0x10000;
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"PE without resources", test::BuildPeImage(withoutResources).bytes},
        {"text file", {'h', 'e', 'l', 'l', 'o', '\n'}},
        {"empty file", {}},
        {"only MZ", {'M', 'Z'}},
        {"ELF with the section as NOBITS", ElfBuilder(noBits).Build(VersionBlock())},
        {"ELF with a longer section name", ElfBuilder(longerName).Build(VersionBlock())},
        {"ELF section past the end", ElfBuilder(pastTheEnd).Build(VersionBlock())},
    };
    for (const auto& c : cases) {
        const std::u16string path = Write("file", c.bytes);
        EXPECT_TRUE(ReadFileVersionInfo(path).empty()) << c.name;
        EXPECT_EQ(util::GetFileVersionString(path, u"ProductVersion"), u"") << c.name;
    }
    EXPECT_TRUE(ReadFileVersionInfo(dir_.Path().u16string() + u"/missing.exe").empty());
    EXPECT_TRUE(ReadFileVersionInfo(dir_.Path().u16string()).empty());
}

TEST_F(FileVersionInfoTest, GivesNothingForDamagedPeImages) {
    using test::StoreLe32;
    const auto store16 = [](Bytes& bytes, std::size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    constexpr std::uint32_t kSubdirectory = 0x80000000;
    constexpr std::size_t kEntryTarget = 20; // of the single entry of a resource directory
    const struct {
        const char* name;
        std::function<void(Bytes&, const test::PeImageLayout&)> damage;
        // Wine's version API reads where these point, and the program ends with a page fault.
        bool faultsUnderWine = false;
    } cases[] = {
        {"PE header past the end", [](Bytes& b, const auto&) { StoreLe32(b, 0x3C, 0xFFFFFF00); }},
        {"unknown optional header magic",
         [&](Bytes& b, const auto& l) { store16(b, l.optionalHeaderOffset, 0x107); }},
        {"optional header too small for its directories",
         [&](Bytes& b, const auto& l) { store16(b, l.peSignatureOffset + 20, 0x60); }},
        {"no resource directory entry",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.dataDirectoriesOffset - 4, 2); }},
        {"resource directory outside every section",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.dataDirectoriesOffset + 16, 0x50000); }},
        {"resource section data past the end",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.sectionTableOffset + 40 + 20, 0x100000); }},
        {"type entry pointing outside the tree",
         [](Bytes& b, const auto& l) {
             StoreLe32(b, l.resourceDirectoryOffset + kEntryTarget, kSubdirectory | 0xFFFFF0);
         }},
        {"type entry naming a data entry",
         [](Bytes& b, const auto& l) {
             StoreLe32(b, l.resourceDirectoryOffset + kEntryTarget, 72);
         }},
        {"name entry pointing back to the root",
         [](Bytes& b, const auto& l) {
             StoreLe32(b, l.resourceDirectoryOffset + 24 + kEntryTarget, kSubdirectory);
         }},
        {"language entry pointing back up as a directory",
         [](Bytes& b, const auto& l) {
             StoreLe32(b, l.resourceDirectoryOffset + 48 + kEntryTarget, kSubdirectory | 24);
         }},
        {"language entry pointing outside the tree",
         [](Bytes& b, const auto& l) {
             StoreLe32(b, l.resourceDirectoryOffset + 48 + kEntryTarget, 0x7FFF0);
         },
         true},
        {"entry count past the tree",
         [&](Bytes& b, const auto& l) { store16(b, l.resourceDirectoryOffset + 14, 0xFFFF); }},
        {"block outside the image",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.versionDataEntryOffset, 0x7FFFFFF0); }, true},
        {"block longer than its section",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.versionDataEntryOffset + 4, 0x10000); },
         true},
        {"block of zero bytes",
         [](Bytes& b, const auto& l) { StoreLe32(b, l.versionDataEntryOffset + 4, 0); }},
    };
    for (const test::PeKind kind : {test::PeKind::kPe32, test::PeKind::kPe32Plus}) {
        for (const auto& c : cases) {
            if (c.faultsUnderWine && test::RunningUnderWine()) {
                continue;
            }
            test::PeImage image = PeWithVersion(kind);
            c.damage(image.bytes, image.layout);
            const std::u16string path = Write("damaged.exe", image.bytes);
            EXPECT_TRUE(ReadFileVersionInfo(path).empty()) << c.name;
        }
    }
}

} // namespace
} // namespace vg::platform
