// Values read and written through a file source: defaults, limits, validation, the texts of
// the three kinds, the messages, and what reaches the file.

#include "xml_test_util.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using testing::kEmptyConfig;
using testing::ReadAll;
using testing::TTempDir;
using testing::TXMLFixtureOwner;
using testing::WriteAll;

std::string Config(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n" + body +
           "</Configuration>\n";
}

template <class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const EXMLValueViolation& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

struct XMLValue : ::testing::Test {
    TTempDir Dir;
    std::string File = Dir.File("config.xml");
};

TEST_F(XMLValue, MissingElementReadsDefaultAndWritesNothingFirstWriteAppendsAtTheEnd) {
    WriteAll(File, Config("  <First>1</First>\n  <Last>2</Last>\n"));
    const std::string before = ReadAll(File);
    TXMLFixtureOwner owner(File);
    TXMLValueInt number(&owner, "Number");
    number.Default = 42;
    EXPECT_EQ(number.GetAsInteger(), 42);
    EXPECT_EQ(number.GetAsText(), "42");
    EXPECT_EQ(ReadAll(File), before);

    number.SetAsInteger(7);
    EXPECT_EQ(ReadAll(File),
              Config("  <First>1</First>\n  <Last>2</Last>\n  <Number>7</Number>\n"));
    number.SetAsInteger(8); // the same element, in its place
    EXPECT_EQ(ReadAll(File),
              Config("  <First>1</First>\n  <Last>2</Last>\n  <Number>8</Number>\n"));
}

TEST_F(XMLValue, IntegerLimitsZeroMeansNoneAndViolationsRaiseOrWriteNothing) {
    TXMLFixtureOwner owner(File);
    TXMLValueInt level(&owner, "Level");
    level.MinInt = 0;
    level.MaxInt = 255;
    level.SetAsInteger(-5);
    EXPECT_EQ(level.GetAsInteger(), -5);
    EXPECT_EQ(MessageOf([&] { level.SetAsInteger(300); }),
              "The Integer value 300 has violated the Maximum Int restriction of 255");
    EXPECT_EQ(level.GetAsInteger(), -5);

    level.MinInt = 10;
    EXPECT_EQ(MessageOf([&] { level.SetAsInteger(9); }),
              "The Integer value 9 has violated the Minimum Int restriction of 10");

    level.RaiseMinMaxException = false;
    const std::string before = ReadAll(File);
    level.SetAsInteger(300);
    level.SetAsInteger(9);
    EXPECT_EQ(ReadAll(File), before);
    level.SetAsText("200");
    EXPECT_EQ(level.GetAsInteger(), 200);
}

TEST_F(XMLValue, IntegerReadingFallsBackToDefaultAndNeverFails) {
    WriteAll(File, Config("<A>7</A><B>x7</B><C>99999999999</C><D> -12\n</D><E>300</E>"));
    TXMLFixtureOwner owner(File);
    TXMLValueInt a(&owner, "A"), b(&owner, "B"), c(&owner, "C"), d(&owner, "D"), e(&owner, "E");
    for (TXMLValueInt* v : {&a, &b, &c, &d, &e}) v->Default = 5;
    e.MaxInt = 255;
    EXPECT_EQ(a.GetAsInteger(), 7);
    EXPECT_EQ(b.GetAsInteger(), 5);
    EXPECT_EQ(c.GetAsInteger(), 5); // beyond 32 bits
    EXPECT_EQ(d.GetAsInteger(), -12);
    EXPECT_EQ(e.GetAsInteger(), 5);
    b.SetAsText("not a number"); // the default, written
    EXPECT_EQ(b.ReadRaw(), TXMLVariant(std::string("5")));
}

TEST_F(XMLValue, BooleanReadsByTheKindOfTheRawValue) {
    WriteAll(File, Config("<Yes>yes</Yes><One>1</One><Empty></Empty><T>t</T><Tr>TRUE</Tr>"
                          "<No>no</No>"));
    TXMLFixtureOwner owner(File);
    TXMLValueBool yes(&owner, "Yes"), one(&owner, "One"), empty(&owner, "Empty"), t(&owner, "T"),
        tr(&owner, "Tr"), no(&owner, "No"), missing(&owner, "Missing");
    empty.Default = true;
    missing.Default = true;
    EXPECT_TRUE(yes.GetAsBoolean());
    EXPECT_FALSE(one.GetAsBoolean()); // the text "1", not the number
    EXPECT_FALSE(empty.GetAsBoolean());
    EXPECT_FALSE(missing.GetAsBoolean());
    EXPECT_TRUE(t.GetAsBoolean());
    EXPECT_TRUE(tr.GetAsBoolean());
    EXPECT_FALSE(no.GetAsBoolean());
    EXPECT_EQ(yes.GetAsText(), "True");

    // Numbers and booleans reach it through a validation hook.
    one.OnValidate = [](TComponent*, const std::string&, const TXMLVariant&, TXMLVariant& r,
                        bool&) { r = std::int32_t{1}; };
    EXPECT_TRUE(one.GetAsBoolean());
    one.OnValidate = [](TComponent*, const std::string&, const TXMLVariant&, TXMLVariant& r,
                        bool&) { r = std::int32_t{2}; };
    EXPECT_FALSE(one.GetAsBoolean());
}

TEST_F(XMLValue, BooleanWritesTrueOrFalseAndRefusesUnknownTexts) {
    TXMLFixtureOwner owner(File);
    TXMLValueBool flag(&owner, "Flag");
    flag.SetAsBoolean(true);
    EXPECT_EQ(ReadAll(File), Config("  <Flag>True</Flag>\n"));
    flag.SetAsText("false");
    EXPECT_EQ(ReadAll(File), Config("  <Flag>False</Flag>\n"));
    flag.SetAsText("7");
    EXPECT_TRUE(flag.GetAsBoolean());
    const std::string before = ReadAll(File);
    EXPECT_THROW(flag.SetAsText("maybe"), EConvertError);
    EXPECT_EQ(ReadAll(File), before);
}

TEST_F(XMLValue, StringLimitsCutOrRaiseInCharacters) {
    WriteAll(File, Config("<Name></Name>"));
    TXMLFixtureOwner owner(File);
    TXMLValueStr name(&owner, "Name");
    name.Default = "dflt";
    EXPECT_EQ(name.GetAsText(), "dflt"); // an element without text
    name.MaxStrLength = 3;
    EXPECT_EQ(MessageOf([&] { name.SetAsText("abcdef"); }),
              "The String value abcdef is too long; the Maximum length is 3");
    EXPECT_EQ(MessageOf([&] { (void)name.GetAsText(); }), // the default is too long as well
              "The String value dflt is too long; the Maximum length is 3");
    name.RaiseMinMaxException = false;
    name.SetAsText("abcdef");
    EXPECT_EQ(ReadAll(File), Config("  <Name>abc</Name>\n")); // in the element's place
    name.SetAsText("äöüß");                                   // never half a character
    EXPECT_EQ(name.GetAsText(), "äöü");

    name.MaxStrLength = 0;
    name.MinStrLength = 2;
    name.SetAsText("x");
    EXPECT_EQ(name.GetAsText(), "dflt");
    name.RaiseMinMaxException = true;
    EXPECT_EQ(MessageOf([&] { name.SetAsText("y"); }),
              "The String value y is too short; the Minimum length is 2");
}

TEST_F(XMLValue, TextsSurviveTheFileWhateverTheyHold) {
    const std::string nasty = "a<b>&c\"d'e\r\nline two\ttab ]]> é";
    {
        TXMLFixtureOwner owner(File);
        TXMLValueStr text(&owner, "Text");
        text.SetAsText(nasty);
    }
    TXMLFixtureOwner owner(File);
    TXMLValueStr text(&owner, "Text");
    EXPECT_EQ(text.GetAsText(), nasty);
}

TEST_F(XMLValue, ValidationReplacesOrRejects) {
    TXMLFixtureOwner owner(File);
    TXMLValueStr text(&owner, "Text");
    std::vector<std::string> log;
    text.OnChange = [&](TComponent*) { log.push_back("change"); };
    std::string seenName;
    text.OnValidate = [&](TComponent*, const std::string& node, const TXMLVariant& raw,
                          TXMLVariant& replace, bool& valid) {
        seenName = node;
        if (VarToStr(raw) == "bad")
            valid = false;
        else
            replace = "<" + VarToStr(raw) + ">";
    };
    text.SetAsText("good");
    EXPECT_EQ(seenName, "Text");
    EXPECT_EQ(log.size(), 1u);
    const std::string before = ReadAll(File);
    text.SetAsText("bad");
    EXPECT_EQ(ReadAll(File), before);
    EXPECT_EQ(log.size(), 1u);
    // Reading runs the hook again: the stored "<good>" comes back as "<<good>>".
    EXPECT_EQ(text.GetAsText(), "<<good>>");
    text.SetNodeName("Other");
    WriteAll(File, Config("<Other>bad</Other>"));
    TXMLFixtureOwner reread(File);
    text.SetValSource(&reread.Source);
    EXPECT_EQ(text.GetAsText(), "bad"); // rejected on reading: the raw value
}

TEST_F(XMLValue, NotifyRefreshesControlsBeforeOnChange) {
    TXMLFixtureOwner owner(File);
    TXMLValueInt number(&owner, "Number");
    std::vector<std::string> log;
    number.OnChange = [&](TComponent*) { log.push_back("change"); };
    testing::TRecordingControl first(log), second(log);
    first.Link.Set(&number); // refreshed at once
    second.Link.Set(&number);
    log.clear();
    number.SetAsInteger(3);
    EXPECT_EQ(log, (std::vector<std::string>{"refresh", "refresh", "change"}));
    {
        testing::TRecordingControl gone(log);
        gone.Link.Set(&number);
    }
    log.clear();
    number.SetAsInteger(4);
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(XMLValue, ElementNamesThatXMLCannotHoldAreRefused) {
    TXMLFixtureOwner owner(File);
    TXMLValueStr text(&owner, "Text");
    const std::string before = ReadAll(File);
    for (const char* bad : {"a b", "1x", "a<b", "-x"}) {
        text.SetNodeName(bad);
        EXPECT_THROW(text.SetAsText("v"), EXMLValueViolation) << bad;
    }
    EXPECT_EQ(ReadAll(File), before);
}

TEST(XMLValueSource, FindingTheSourceFailsWithTheDocumentedMessages) {
    TXMLValueStr orphan(nullptr, "Orphan");
    try {
        (void)orphan.GetAsText();
        FAIL();
    } catch (const EXMLValueNoOwner& e) {
        EXPECT_STREQ(e.what(), "The component Orphan has no owner, and no XMLValSource was "
                               "specified; unable to access XML data.");
    }
    TComponent owner(nullptr, "dmEmpty");
    TXMLValueStr lonely(&owner, "Lonely");
    try {
        lonely.SetAsText("x");
        FAIL();
    } catch (const EXMLValueNoValSource& e) {
        EXPECT_STREQ(e.what(), "The component Lonely has no TXMLValSource components available "
                               "to it nor its owner component, dmEmpty");
    }
}

TEST(XMLValueSource, TheScanPrefersAFileSourceAndFallsBackToAPathSource) {
    TTempDir dir;
    TComponent owner(nullptr, "Owner");
    TXMLValSourcePathMod path(&owner, "Path");
    TXMLValSourceFile file(&owner, "File");
    file.SetFileName(dir.File("config.xml"));
    path.SetXMLValSourceFile(&file);
    path.XMLPathMod = "Sub/Deeper";
    TXMLValueStr value(&owner, "Value");
    value.SetAsText("x");
    EXPECT_EQ(value.ValSource(), &file);

    TComponent pathOnly(nullptr, "PathOnly");
    TXMLValSourcePathMod below(&pathOnly, "Below");
    below.SetXMLValSourceFile(&file);
    below.XMLPathMod = "Sub/Deeper";
    TXMLValueStr deep(&pathOnly, "Deep");
    EXPECT_EQ(deep.GetAsText(), ""); // the path does not exist yet
    deep.SetAsText("y");
    EXPECT_EQ(deep.ValSource(), &below);
    EXPECT_EQ(ReadAll(dir.File("config.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n  <Value>x</Value>\n"
              "  <Sub>\n    <Deeper>\n      <Deep>y</Deep>\n    </Deeper>\n  </Sub>\n"
              "</Configuration>\n");
}

TEST(XMLValueSource, ValuesAndSourcesMayGoInEitherOrder) {
    TTempDir dir;
    auto owner = std::make_unique<TXMLFixtureOwner>(dir.File("config.xml"));
    auto value = std::make_unique<TXMLValueStr>(owner.get(), "Value");
    value->SetAsText("x");
    EXPECT_EQ(value->ValSource(), &owner->Source);
    owner.reset();
    EXPECT_EQ(value->ValSource(), nullptr);
    EXPECT_THROW(value->SetAsText("y"), EXMLValueNoOwner); // its owner went too

    TXMLFixtureOwner second(dir.File("other.xml"));
    value = std::make_unique<TXMLValueStr>(&second, "Value");
    value->SetAsText("x");
    value.reset();
    WriteAll(dir.File("other.xml"), Config("<Value>changed</Value>"));
    second.Source.ReloadIfChanged(); // must not reach the destroyed value
}

} // namespace
} // namespace keltrix
