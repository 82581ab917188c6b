#include "net/data_document.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

TEST(DataDocumentEscape, MarkupPercentAndHighBytesAreEscapedBlanksStay) {
    EXPECT_EQ(EscapeDocumentText("<B>Proc</B>"), "%3CB%3EProc%3C/B%3E");
    EXPECT_EQ(EscapeDocumentText("Proc %: 12 * #3"), "Proc %25: 12 %2A %233");
    // The degree sign of Windows-1252 is one byte, 0xBA; the program holds it as UTF-8.
    EXPECT_EQ(EscapeDocumentText("45\xC2\xBA"), "45%BA");
    EXPECT_EQ(EscapeDocumentText("a  b"), "a  b");
    EXPECT_EQ(EscapeDocumentText("%20"), "%2520"); // an escaped percent is not a blank
    EXPECT_EQ(EscapeDocumentText("R&D"), "R&D");   // left to the serialiser
}

TEST(DataDocumentBuild, ShapeOrderRepeatedNamesAndEmptyParts) {
    const std::string doc = BuildDataDocument(
        {{"Uptime", "1 day"}, {"Blank", "x"}, {"Blank", "y & z"}}, {"<B>a</B>", "b"});
    EXPECT_EQ(doc.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    const auto uptime = doc.find("<Uptime>1 day</Uptime>");
    const auto blank = doc.find("<Blank>y &amp; z</Blank>");
    const auto item0 = doc.find("<Item_0>%3CB%3Ea%3C/B%3E</Item_0>");
    const auto item1 = doc.find("<Item_1>b</Item_1>");
    ASSERT_NE(uptime, std::string::npos);
    ASSERT_NE(blank, std::string::npos);
    ASSERT_NE(item0, std::string::npos);
    ASSERT_NE(item1, std::string::npos);
    EXPECT_LT(uptime, blank);
    EXPECT_LT(item0, item1);
    EXPECT_EQ(doc.find("<Blank>x</Blank>"), std::string::npos);

    const std::string empty = BuildDataDocument({}, {});
    EXPECT_NE(empty.find("<Raw />"), std::string::npos);
    EXPECT_NE(empty.find("<Formatted />"), std::string::npos);
    EXPECT_EQ(ElementNameOfTitle("System Thread Count"), "System_Thread_Count");
}

} // namespace
} // namespace keltrix
