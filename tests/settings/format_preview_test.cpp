#include "settings/format_preview.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

class FormatPreview : public ::testing::Test {
protected:
    FormatPreview() { Raw.Data().CompName.Set("box"); }
    TRawDataShell Raw;
    TFormatterList Formatters = CreateFormatters(Raw);
};

TEST_F(FormatPreview, RendersTagsOfFormattersTheDisplayDoesNotUse) {
    for (auto& f : Formatters) f->DecideIfActive("<NAME=Threads>");
    std::vector<bool> before;
    for (auto& f : Formatters) before.push_back(f->Active);

    const TPreviewLine preview = RenderPreviewLine(Formatters, "Host <B><NAME=CompName></B>!");
    EXPECT_EQ(preview.Caption, "Host <B>box</B>!");
    EXPECT_TRUE(preview.UnknownTags.empty());
    ASSERT_EQ(preview.Unmeasured.size(), 1u);
    EXPECT_EQ(preview.Unmeasured[0]->GetDefaultUsage("Computer Name"), "<NAME=CompName>");

    std::vector<bool> after;
    for (auto& f : Formatters) after.push_back(f->Active);
    EXPECT_EQ(after, before) << "the display's formatters stay as they were";
    EXPECT_TRUE(RenderPreviewLine(Formatters, "<NAME=Threads>").Unmeasured.empty());
}

TEST_F(FormatPreview, MarksUnknownTagsAndPutsTheStyleBack) {
    TPreviewLine preview = RenderPreviewLine(Formatters, "a <NAME=NoSuch SIZE=3> b");
    EXPECT_EQ(preview.UnknownTags, std::vector<std::string>{"NoSuch"});
    EXPECT_EQ(preview.Caption, "a <C:Red><U><<>NAME=NoSuch SIZE=3></U></C> b");

    // The colour and underline in force before the tag are in force after it again; the
    // marked text itself draws as "<NAME=Bogus>" in red.
    preview = MarkUnknownTags("<C:Blue><U>x<name=Bogus>y<C:$102030><NAME=Open");
    EXPECT_EQ(preview.UnknownTags, (std::vector<std::string>{"Bogus", "Open"}));
    const auto runs = ParseMarkup(preview.Caption);
    std::string text;
    for (const auto& run : runs) text += run.Text;
    EXPECT_EQ(text, "x<name=Bogus>y<NAME=Open");
    for (const auto& run : runs) {
        if (run.Text == "x" || run.Text == "y") {
            EXPECT_EQ(run.Color, RGBColor(0, 0, 255)) << run.Text;
            EXPECT_TRUE(run.Style.Underline) << run.Text;
        } else {
            EXPECT_EQ(run.Color, RGBColor(255, 0, 0)) << run.Text;
        }
    }

    // With an underlined display font the marking ends underlined again.
    preview = MarkUnknownTags("<NAME=X>y", {false, false, true});
    EXPECT_TRUE(ParseMarkup(preview.Caption, {false, false, true}).back().Style.Underline);
    EXPECT_FALSE(MarkUnknownTags("<NAME=X>y").Caption.ends_with("<U>y"));
}

} // namespace
} // namespace keltrix
