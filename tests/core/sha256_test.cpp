#include "core/sha256.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace marlinth {
namespace {

// Published FIPS 180-4 / NIST example vectors.
TEST(Sha256, MatchesPublishedVectors) {
    EXPECT_EQ(sha256_hex(sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex(sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256_hex(sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256_hex(sha256("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrs"
                                "mnopqrstnopqrstu")),
              "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    std::string million(1000000, 'a');
    EXPECT_EQ(sha256_hex(sha256(million)), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Feeding the same bytes in pieces of every awkward size gives the one-shot digest.
TEST(Sha256, IncrementalUpdatesAgreeWithOneShotOnLargeRandomInput) {
    std::mt19937 rng(20261205);
    std::vector<uint8_t> data(3 * 1024 * 1024 + 17);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    const Sha256Digest whole = sha256(data.data(), data.size());
    for (size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 4096u, 1000003u}) {
        Sha256 h;
        for (size_t pos = 0; pos < data.size(); pos += piece)
            h.update(data.data() + pos, std::min(piece, data.size() - pos));
        EXPECT_EQ(h.finish(), whole) << "piece size " << piece;
    }
}

// Padding boundaries: lengths around one block.
TEST(Sha256, PaddingBoundaries) {
    EXPECT_EQ(sha256_hex(sha256(std::string(55, 'a'))), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(sha256_hex(sha256(std::string(56, 'a'))), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(sha256_hex(sha256(std::string(64, 'a'))), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

}  // namespace
}  // namespace marlinth
