// MD5 against its reference test suite, the padding boundaries, the finalize rules and the
// upper-case digest of a text.
#include "util/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace vg::util {
namespace {

std::string Md5Hex(const std::string& message) {
    Md5 hasher;
    hasher.Update(message.data(), message.size());
    hasher.Finalize();
    return hasher.HexDigest();
}

std::string Alphabet(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(static_cast<char>('a' + i % 26));
    }
    return text;
}

struct DigestCase {
    std::string message;
    const char* expected;
};

TEST(Md5Test, MatchesKnownDigests) {
    const std::vector<DigestCase> cases{
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths where the length field stops fitting into the last block.
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    };
    for (const DigestCase& c : cases) {
        EXPECT_EQ(Md5Hex(c.message), c.expected) << "length " << c.message.size();
    }
}

TEST(Md5Test, UnevenPiecesGiveTheOneShotDigest) {
    const std::string message = Alphabet(3000);
    const std::vector<std::size_t> pieceSizes{0, 1, 62, 1, 64, 65, 7, 128, 3, 200, 57};
    Md5 hasher;
    std::size_t offset = 0;
    for (std::size_t i = 0; offset < message.size(); ++i) {
        const std::size_t size =
            std::min(pieceSizes[i % pieceSizes.size()], message.size() - offset);
        hasher.Update(message.data() + offset, size);
        offset += size;
    }
    hasher.Finalize();
    EXPECT_EQ(hasher.HexDigest(), "2cdc6cfced72f6be4617710cab9eb2ae");
}

TEST(Md5Test, DigestExistsOnlyAfterFinalizeAndStaysPut) {
    Md5 hasher;
    hasher.Update("abc", 3);
    EXPECT_EQ(hasher.HexDigest(), "");
    EXPECT_FALSE(hasher.IsFinalized());
    hasher.Finalize();
    hasher.Finalize();
    EXPECT_TRUE(hasher.IsFinalized());
    EXPECT_EQ(hasher.HexDigest(), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_DEBUG_DEATH(hasher.Update("d", 1), "Update after Finalize");
    EXPECT_EQ(hasher.HexDigest(), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5HexUpperTest, HashesTheWholeTextInUpperCase) {
    EXPECT_EQ(Md5HexUpper(u""), u"D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Md5HexUpper(u"abc"), u"900150983CD24FB0D6963F7D28E17F72");

    // Longer than any fixed work buffer a shorter text would fit into.
    const std::string ascii = Alphabet(3000);
    const std::u16string text(ascii.begin(), ascii.end());
    EXPECT_EQ(Md5HexUpper(text), u"2CDC6CFCED72F6BE4617710CAB9EB2AE");
}

} // namespace
} // namespace vg::util
