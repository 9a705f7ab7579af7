#include "random/SHA256.h"
#include "random/SHA256Blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brevane {
namespace {

std::string ToHex(const std::uint8_t* bytes, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (std::size_t k = 0; k < n; ++k) {
        hex += digits[bytes[k] >> 4];
        hex += digits[bytes[k] & 15];
    }
    return hex;
}

std::string DigestInPieces(const std::string& message, const std::vector<int>& pieces) {
    TSHAObject sha;
    std::size_t at = 0;
    std::size_t next = 0;
    while (at < message.size()) {
        const std::size_t want = pieces.empty() ? message.size() : pieces[next++ % pieces.size()];
        const std::size_t n = std::min(want, message.size() - at);
        sha.HashBuffer(message.data() + at, static_cast<std::int32_t>(n));
        at += n;
    }
    sha.FinalizeHash();
    return ToHex(sha.Hash, sizeof sha.Hash);
}

std::string Digest(const std::string& message) {
    return DigestInPieces(message, {});
}

// Bytes (37 k + 11) mod 256 for k = 0..n-1: every byte value occurs, unlike a text message.
std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t k = 0; k < n; ++k) s[k] = static_cast<char>((k * 37 + 11) % 256);
    return s;
}

TEST(SHA256Test, FipsExampleMessages) {
    EXPECT_EQ(Digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(
        Digest("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnop"
               "qklmnopqrlmnopqrsmnopqrstnopqrstu"),
        "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    EXPECT_EQ(Digest(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(SHA256Test, EmptyMessage) {
    EXPECT_EQ(Digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(SHA256Test, LengthsWhereTheFinalBlockCountChanges) {
    const std::pair<std::size_t, const char*> cases[] = {
        {32, "83b7a8ed859053c81d818870fab1f8b1ae44d06a98a9665d369a8fd7d2838ded"},
        {55, "2900465fcb533e05a158fd2b3be0e5e3b03740d83060aa3580e0d98a96bf2384"},
        {56, "31454ff48ef36af2f08fd511bdc37d9d5855ac23e992e5ff5445cb6b7674a674"},
        {63, "5f6401b96532c36de4e65beec0409b69b1d181864c8009b7a04f43e5d56350d1"},
        {64, "94eb5de4943613fd048dc93393ab06877405faa39c11f53e9386083339833e7e"},
        {119, "b0dc41b1a384e2f1203f0351b38fbeaafceef577ce1191d5bfc25da39f721eae"},
        {120, "5df24dd802ac26132ce608dcb5f09841eef039ee0f152acf98d26d17fe4e88e6"},
    };
    for (const auto& [length, expected] : cases)
        EXPECT_EQ(Digest(Pattern(length)), expected) << "length " << length;
}

TEST(SHA256Test, PiecesOfAnySizeGiveTheSameDigest) {
    const std::vector<std::vector<int>> splits = {{1},         {63, 1}, {64, 64}, {0, 5, 0, 127},
                                                  {3, 61, 65}, {55},    {56},     {200}};
    for (std::size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u}) {
        const std::string message = Pattern(length);
        const std::string whole = Digest(message);
        for (const auto& split : splits)
            EXPECT_EQ(DigestInPieces(message, split), whole) << "length " << length;
    }
}

// The processor's SHA instructions, where it has them, and the portable rounds give the same
// digests, for the FIPS 180-4 example and for messages of many block counts and piece sizes.
TEST(SHA256Test, ProcessorInstructionsAgreeWithThePortableRounds) {
    const std::string million(1000000, 'a');
    std::vector<std::string> messages = {million};
    for (std::size_t length : {64u, 65u, 127u, 128u, 1000u, 4096u, 100003u})
        messages.push_back(Pattern(length));
    for (const std::string& message : messages) {
        AllowSha256Instructions(false);
        EXPECT_FALSE(Sha256BlocksAvailable());
        const std::string portable = Digest(message);
        const std::string portablePieces = DigestInPieces(message, {3, 200, 64});
        AllowSha256Instructions(true);
        EXPECT_EQ(Digest(message), portable) << message.size();
        EXPECT_EQ(DigestInPieces(message, {3, 200, 64}), portable) << message.size();
        EXPECT_EQ(portablePieces, portable) << message.size();
    }
    AllowSha256Instructions(false);
    EXPECT_EQ(Digest(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    AllowSha256Instructions(true);
    EXPECT_EQ(Digest(million), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(SHA256Test, StateBeforeAndAfterFinalisation) {
    TSHAObject sha;
    EXPECT_EQ(sha.H0, 0x6a09e667u);
    EXPECT_EQ(sha.H7, 0x5be0cd19u);
    EXPECT_EQ(sha.P, 0);
    EXPECT_EQ(sha.Total, 0);
    const std::string message = Pattern(70);
    sha.HashBuffer(message.data(), 70);
    EXPECT_EQ(sha.P, 6);
    EXPECT_EQ(sha.Total, 70);
    EXPECT_EQ(ToHex(sha.Hash, 32), std::string(64, '0'));
    sha.FinalizeHash();
    EXPECT_EQ(sha.Total, 560);  // counted in bits once finalised
    EXPECT_EQ(sha.P, 56);       // 6 waiting bytes fit one final block
    // The words end byte-swapped: H0 holds the first four digest bytes in memory order.
    EXPECT_EQ(sha.H0, static_cast<std::uint32_t>(sha.Hash[0] | sha.Hash[1] << 8 |
                                                 sha.Hash[2] << 16 | sha.Hash[3] << 24));
}

TEST(SHA256Test, FiftySixWaitingBytesTakeTwoFinalBlocks) {
    TSHAObject sha;
    const std::string message = Pattern(56);
    sha.HashBuffer(message.data(), 56);
    sha.FinalizeHash();
    EXPECT_EQ(sha.P, 64);
}

}  // namespace
}  // namespace brevane
