#include "measure/raw_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace keltrix;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A valid answer whose bytes carry its serial number, so the test sees which one landed.
Bytes Answer(std::uint8_t serial) {
    Bytes b(RecordSize);
    for (std::size_t i = 0; i < RecordSize; ++i)
        b[i] = static_cast<std::uint8_t>((i * 7 + serial) % 200);
    b[0] = RecordMarker;
    b[1] = serial;
    return b;
}

struct Receiver {
    TRawDataShell shell;
    std::vector<Bytes> received;
    Receiver() {
        shell.OnData = [this](TRawDataShell& sender) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(&sender.Data());
            received.emplace_back(p, p + RecordSize);
        };
    }
    void Feed(const Bytes& b) { shell.Feed(b.data(), b.size()); }
};

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

} // namespace

TEST(Feed, AnswerSplitOverTwoReadsYieldsOneRecordAfterTheSecond) {
    Receiver r;
    const Bytes a = Answer(1);
    r.Feed(Bytes(a.begin(), a.begin() + 300));
    EXPECT_TRUE(r.received.empty());
    r.Feed(Bytes(a.begin() + 300, a.end()));
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(r.received[0], a);
    EXPECT_EQ(std::memcmp(&r.shell.Data(), a.data(), RecordSize), 0);
}

TEST(Feed, TwoAnswersInOneReadYieldTwoRecords) {
    Receiver r;
    r.Feed(Concat(Answer(1), Answer(2)));
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[0], Answer(1));
    EXPECT_EQ(r.received[1], Answer(2));
}

TEST(Feed, RecordWithoutMarkerIsDroppedAndChangesNothing) {
    Receiver r;
    r.Feed(Answer(1));
    Bytes bad(RecordSize, 0x11);
    r.Feed(bad);
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(std::memcmp(&r.shell.Data(), Answer(1).data(), RecordSize), 0);
}

TEST(Feed, ResynchronisesOnMarkerAndRecoversAlignmentOnTheThirdAnswer) {
    Receiver r;
    Bytes first(RecordSize, 0x11);
    first[100] = RecordMarker;
    r.Feed(first);
    EXPECT_TRUE(r.received.empty());

    const Bytes second = Answer(2);
    r.Feed(second); // completes a misaligned record starting at first[100]
    ASSERT_EQ(r.received.size(), 1u);
    Bytes misaligned(first.begin() + 100, first.end());
    misaligned.insert(misaligned.end(), second.begin(), second.begin() + 100);
    EXPECT_EQ(r.received[0], misaligned);

    const Bytes third = Answer(3);
    ASSERT_NE(second[100], RecordMarker);
    r.Feed(third); // second[100..] + third[0..99] is dropped; the search restarts at third[0]
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[1], third);
}

TEST(Feed, SearchAfterDroppedRecordStartsPastItsFirstByte) {
    Receiver r;
    // A dropped record that began in this read: its own first byte is not searched again,
    // and a marker right after it restarts collection there.
    Bytes noise(RecordSize, 0x22);
    noise[1] = RecordMarker;
    Bytes read = Concat(noise, Answer(9));
    r.Feed(read);
    // Restart at noise[1]: 511 noise bytes + 1 answer byte make a record with the marker first.
    ASSERT_GE(r.received.size(), 1u);
    EXPECT_EQ(r.received[0][0], RecordMarker);
    EXPECT_EQ(r.received[0][1], 0x22);
}

TEST(Feed, NoiseWithoutMarkerIsDroppedWholeAndNextAnswerIsAccepted) {
    Receiver r;
    r.Feed(Bytes(700, 0x33));
    EXPECT_TRUE(r.received.empty());
    r.Feed(Answer(4));
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(r.received[0], Answer(4));
}

TEST(Feed, ByteByByteDeliveryStillYieldsRecords) {
    Receiver r;
    const Bytes a = Concat(Answer(5), Answer(6));
    for (std::uint8_t b : a) r.shell.Feed(&b, 1);
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[1], Answer(6));
}

TEST(Feed, MarkerEverywhereTerminates) {
    Receiver r;
    Bytes all(5000, RecordMarker);
    r.Feed(all);
    EXPECT_EQ(r.received.size(), 5000u / RecordSize);
    r.Feed(Bytes{});
}

TEST(Feed, WithoutHandlerRecordIsStillCopied) {
    TRawDataShell shell;
    const Bytes a = Answer(7);
    shell.Feed(a.data(), a.size());
    EXPECT_EQ(std::memcmp(&shell.Data(), a.data(), RecordSize), 0);
}

TEST(Feed, WithoutResynchronisingADroppedRecordKeepsTheAlignment) {
    Receiver r;
    Bytes noise(RecordSize, 0x11);
    noise[100] = RecordMarker; // would restart collection there when resynchronising
    r.shell.Feed(noise.data(), noise.size(), false);
    const Bytes a = Answer(3);
    r.shell.Feed(a.data(), a.size(), false);
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(r.received[0], a);
}

namespace {

Bytes WithFittingTexts(Bytes b) {
    b[offsetof(TRawData, CompName)] = 15;
    b[offsetof(TRawData, UserName)] = 0;
    b[offsetof(TRawData, TopProcName)] = 7;
    b[offsetof(TRawData, ProcType)] = 4;
    return b;
}

} // namespace

TEST(Feed, CheckedTextLengthsDropARecordWhoseTextOverrunsItsRoom) {
    for (const std::size_t field :
         {offsetof(TRawData, CompName), offsetof(TRawData, UserName),
          offsetof(TRawData, TopProcName), offsetof(TRawData, ProcType)}) {
        Receiver r;
        r.shell.CheckTextLengths(true);
        Bytes bad = WithFittingTexts(Answer(1));
        bad[field] = field == offsetof(TRawData, ProcType) ? 5 : 16;
        const Bytes good = WithFittingTexts(Answer(2));
        r.shell.Feed(bad.data(), bad.size(), false);
        r.shell.Feed(good.data(), good.size(), false);
        ASSERT_EQ(r.received.size(), 1u) << "field at " << field;
        EXPECT_EQ(r.received[0], good);
    }
}

TEST(Feed, CheckedTextLengthsLetAlmostNoWronglyDecipheredRecordThrough) {
    // What a wrong password makes of records: random bytes, here with the marker in front of
    // every one, as one in 256 has it.
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    };
    Receiver checked, plain;
    checked.shell.CheckTextLengths(true);
    for (int n = 0; n < 20000; ++n) {
        Bytes b(RecordSize);
        for (auto& x : b) x = next();
        b[0] = RecordMarker;
        checked.shell.Feed(b.data(), b.size(), false);
        plain.shell.Feed(b.data(), b.size(), false);
    }
    EXPECT_EQ(plain.received.size(), 20000u);
    EXPECT_LE(checked.received.size(), 1u); // about 0.1 expected
}
