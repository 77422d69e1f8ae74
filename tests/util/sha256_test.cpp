// SHA-256 against the published examples, the padding boundaries and piecewise feeding.
#include "util/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace vg::util {
namespace {

struct DigestCase {
    std::string message;
    const char* expected;
};

// Lengths 55 to 65 straddle the point where the length field no longer fits the last block.
TEST(Sha256Test, MatchesKnownDigests) {
    const std::vector<DigestCase> cases{
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        {std::string(1'000'000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const DigestCase& c : cases) {
        EXPECT_EQ(Sha256Hex(c.message), c.expected) << "length " << c.message.size();
    }
}

TEST(Sha256Test, UnevenPiecesGiveTheOneShotDigest) {
    std::string message;
    for (std::size_t i = 0; i < 3000; ++i) {
        message.push_back(static_cast<char>('a' + i % 26));
    }
    // Pieces that fill the buffer exactly, cross it, skip it and carry more than a block with it.
    const std::vector<std::size_t> pieceSizes{0, 1, 62, 1, 64, 65, 7, 128, 3, 200, 57};
    Sha256 hasher;
    std::size_t offset = 0;
    for (std::size_t i = 0; offset < message.size(); ++i) {
        const std::size_t size =
            std::min(pieceSizes[i % pieceSizes.size()], message.size() - offset);
        hasher.Update(message.data() + offset, size);
        offset += size;
    }
    EXPECT_EQ(hasher.HexDigest(),
              "9c81a321274950833a44af66aea4d47aaac4957b66e728aa3f2744b9a30e541e");
    EXPECT_EQ(hasher.HexDigest(), Sha256Hex(message));
}

TEST(Sha256Test, DigestLeavesTheHasherFeedable) {
    Sha256 hasher;
    hasher.Update("ab", 2);
    EXPECT_EQ(hasher.HexDigest(), Sha256Hex("ab"));
    hasher.Update("c", 1);
    EXPECT_EQ(hasher.HexDigest(), Sha256Hex("abc"));
    EXPECT_EQ(hasher.Digest()[0], 0xba);
    EXPECT_EQ(hasher.Digest()[31], 0xad);
}

} // namespace
} // namespace vg::util
