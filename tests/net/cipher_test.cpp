// The record cipher against records enciphered by an independent Blowfish implementation.
#include "net/cipher.h"

#include "measure/raw_data.h"

#include <gtest/gtest.h>
#include <nettle/sha2.h>

#include <cstring>
#include <string>
#include <vector>

using namespace keltrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string Sha256(const Bytes& b) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, b.size(), b.data());
    std::uint8_t d[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof d, d);
    return Hex(d, sizeof d);
}

// 234 first, "HOST1" as CompName, zero elsewhere.
Bytes RecordR() {
    TRawData r{};
    r.Marker = RecordMarker;
    r.CompName.Set("HOST1");
    const auto* p = reinterpret_cast<const std::uint8_t*>(&r);
    return Bytes(p, p + RecordSize);
}

// R as the first answer of a connection.
Bytes FirstAnswer(const TRecordCipher& cipher) {
    Bytes wire = RecordR();
    TCipherBlock chain = cipher.InitialVector();
    cipher.Encrypt(chain, wire.data(), wire.size());
    return wire;
}

struct Vector {
    const char* Password;
    const char* Key;
    const char* IV;
    const char* First16;
    const char* FirstSha;
    const char* Second16;
    const char* SecondSha;
};

const Vector Vectors[] = {
    {"secret", "e5e9fa1ba31ecd1ae84f75caaa474f3a663f05f4ffffffffffffffffffffffff",
     "2265a69406b737fe", "e083824d1a8b1033ebfd667f9db612ce",
     "bb046f50011c056309095b3ec1772b013d8f559e8a617ac5e07dba8a2f52015f",
     "1913833e5642863cc5ffc662cb478a6c",
     "fbc577fff7673afd09b53ac8a68bb4ec9784d91ed0c33140e896a9244fe9fe62"},
    {"Secret", "f4e7a8740db0b7a0bfd8e63077261475f61fc2a6ffffffffffffffffffffffff",
     "fd5730dc8c2079fb", "1285f2d756947c91bb30088335f7d2dc",
     "4fc8d9ec24414068e2ce2578cc180a43cb92b736cee1b1e520f24271211f8e29",
     "ccd63929781593a65660a4c7bca24f2f",
     "9441a70f616bdcce20d5494b098a7c88359b46e98c4889043112635c7f6b67a8"},
};

} // namespace

TEST(RecordCipher, ReproducesTheIndependentVectors) {
    for (const Vector& v : Vectors) {
        SCOPED_TRACE(v.Password);
        const TRecordKeyBuffer key = RecordKeyBuffer(v.Password);
        EXPECT_EQ(Hex(key.data(), key.size()), v.Key);

        TRecordCipher cipher;
        cipher.SetPassword(v.Password);
        EXPECT_EQ(Hex(cipher.InitialVector().data(), 8), v.IV);

        // Two answers on one connection: the chaining value runs on from the first.
        TCipherBlock chain = cipher.InitialVector();
        Bytes first = RecordR(), second = RecordR();
        cipher.Encrypt(chain, first.data(), first.size());
        cipher.Encrypt(chain, second.data(), second.size());
        EXPECT_EQ(Hex(first.data(), 16), v.First16);
        EXPECT_EQ(Sha256(first), v.FirstSha);
        EXPECT_EQ(Hex(second.data(), 16), v.Second16);
        EXPECT_EQ(Sha256(second), v.SecondSha);

        // And back, as a client that started at the initial vector reads them.
        TCipherBlock back = cipher.InitialVector();
        cipher.Decrypt(back, first.data(), first.size());
        cipher.Decrypt(back, second.data(), second.size());
        EXPECT_EQ(first, RecordR());
        EXPECT_EQ(second, RecordR());
    }
}

TEST(RecordCipher, PasswordIsTakenInTheRecordCodePage) {
    // "\xc3\xa9" is one byte (0xE9) on a Windows peer, not the two bytes of UTF-8.
    EXPECT_EQ(PasswordBytes("caf\xc3\xa9"), std::string("caf\xe9"));
    EXPECT_EQ(RecordKeyBuffer(PasswordBytes("caf\xc3\xa9")), RecordKeyBuffer("caf\xe9"));
    EXPECT_NE(RecordKeyBuffer("caf\xe9"), RecordKeyBuffer("caf\xc3\xa9"));
}

TEST(RecordCipher, RekeyingReplacesTheKey) {
    TRecordCipher c;
    c.SetPassword("Secret");
    c.SetPassword("secret");
    EXPECT_EQ(Hex(c.InitialVector().data(), 8), "2265a69406b737fe");
}

TEST(StreamDecipher, HoldsPartialBlocksUntilALaterReadCompletesThem) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    const Bytes wire = FirstAnswer(cipher);

    // Reads of 3, 300, 5, 1, 203 bytes: none of them a whole number of blocks.
    TStreamDecipher d;
    d.Start(cipher);
    Bytes plain;
    std::size_t at = 0;
    for (std::size_t n : {3u, 300u, 5u, 1u, 203u}) {
        std::uint8_t out[512 + 8];
        const std::size_t got = d.Decipher(wire.data() + at, n, out);
        EXPECT_EQ(got % 8, 0u);
        plain.insert(plain.end(), out, out + got);
        at += n;
        EXPECT_EQ(d.Held(), at % 8);
    }
    EXPECT_EQ(plain, RecordR());
}

TEST(StreamDecipher, StartingAgainForgetsTheChainAndTheHeldBytes) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    const Bytes wire = FirstAnswer(cipher);

    TStreamDecipher d;
    d.Start(cipher);
    std::uint8_t out[520];
    d.Decipher(wire.data(), 13, out); // an old connection left 5 bytes and a moved chain
    d.Start(cipher);
    EXPECT_EQ(d.Held(), 0u);
    ASSERT_EQ(d.Decipher(wire.data(), wire.size(), out), 512u);
    EXPECT_EQ(Bytes(out, out + 512), RecordR());
}
