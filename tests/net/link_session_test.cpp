// What one served connection answers, before any socket is involved.
#include "net/link_session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace keltrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

TRawData Record(std::uint8_t tag) {
    TRawData r{};
    r.Marker = RecordMarker;
    r.TopProcPercent = tag;
    r.CompName.Set("HOST1");
    return r;
}

bool Read(TLinkSession& s, Bytes b, const TRawData& r) {
    return s.OnRead(b.data(), b.size(), r);
}

Bytes Take(TLinkSession& s) {
    Bytes out(s.Unsent(), s.Unsent() + s.UnsentSize());
    s.Sent(out.size());
    return out;
}

} // namespace

TEST(LinkSession, OnlyTheLastByteOfAReadAsksForARecord) {
    TLinkSession s(nullptr);
    const TRawData r = Record(1);
    EXPECT_TRUE(Read(s, {RecordMarker}, r));
    EXPECT_TRUE(Read(s, {1, 2, 3, RecordMarker}, r)); // three other bytes, then the request
    EXPECT_FALSE(Read(s, {RecordMarker, 7}, r));      // the request followed by another byte
    EXPECT_FALSE(Read(s, {}, r));
    EXPECT_FALSE(Read(s, {0}, r));
    EXPECT_EQ(s.Answers(), 2u);
    EXPECT_EQ(s.UnsentSize(), 2 * RecordSize);
}

TEST(LinkSession, WithoutPasswordTheAnswerIsTheRecordAsItStands) {
    TLinkSession s(nullptr);
    const TRawData r = Record(9);
    ASSERT_TRUE(Read(s, {RecordMarker}, r));
    const Bytes wire = Take(s);
    ASSERT_EQ(wire.size(), RecordSize);
    EXPECT_EQ(wire[0], RecordMarker);
    EXPECT_EQ(std::memcmp(wire.data(), &r, RecordSize), 0);
}

TEST(LinkSession, EachConnectionStartsItsOwnChainAtTheInitialVector) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    const TRawData r = Record(3);
    TLinkSession a(&cipher), b(&cipher);
    ASSERT_TRUE(Read(a, {RecordMarker}, r));
    ASSERT_TRUE(Read(a, {RecordMarker}, r));
    ASSERT_TRUE(Read(b, {RecordMarker}, r)); // a second client, served between a's answers
    const Bytes aWire = Take(a), bWire = Take(b);

    // The second connection's first answer is the first connection's first answer.
    EXPECT_EQ(Bytes(aWire.begin(), aWire.begin() + RecordSize), bWire);
    // And a's two answers decipher in order from the initial vector.
    Bytes plain = aWire;
    TCipherBlock chain = cipher.InitialVector();
    cipher.Decrypt(chain, plain.data(), plain.size());
    EXPECT_EQ(std::memcmp(plain.data(), &r, RecordSize), 0);
    EXPECT_EQ(std::memcmp(plain.data() + RecordSize, &r, RecordSize), 0);
    EXPECT_NE(Bytes(aWire.begin(), aWire.begin() + 16),
              Bytes(aWire.begin() + RecordSize, aWire.begin() + RecordSize + 16));
}

TEST(LinkSession, APeerThatNeverReadsIsNotAnsweredBeyondTheLimit) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    TLinkSession s(&cipher);
    const TRawData r = Record(4);
    for (int i = 0; i < 1000; ++i) Read(s, {RecordMarker}, r);
    EXPECT_LE(s.UnsentSize(), TLinkSession::MaxUnsent + RecordSize);
    EXPECT_GT(s.UnsentSize(), TLinkSession::MaxUnsent);
    EXPECT_EQ(s.Answers() + s.Withheld(), 1000u);

    // Once it reads, it is answered again, and the withheld answers never broke its stream.
    s.Sent(s.UnsentSize() - 100);
    ASSERT_TRUE(Read(s, {RecordMarker}, r));
    const Bytes rest = Take(s);
    ASSERT_EQ(rest.size(), 100 + RecordSize);
    TLinkSession again(&cipher); // the same stream, generated afresh and read at once
    Bytes expected;
    for (std::uint64_t i = 0; i < s.Answers(); ++i) {
        Read(again, {RecordMarker}, r);
        const Bytes b = Take(again);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), expected.end() - rest.size()));
}

TEST(LinkSession, PartlySentAnswersStayInOrder) {
    TLinkSession s(nullptr);
    const TRawData r1 = Record(1), r2 = Record(2);
    Read(s, {RecordMarker}, r1);
    s.Sent(100);
    Read(s, {RecordMarker}, r2);
    ASSERT_EQ(s.UnsentSize(), 2 * RecordSize - 100);
    EXPECT_EQ(s.Unsent()[RecordSize - 100], RecordMarker);
    EXPECT_EQ(s.Unsent()[RecordSize - 100 + 500], 2); // TopProcPercent of the second record
    s.Sent(5000);
    EXPECT_EQ(s.UnsentSize(), 0u);
}
