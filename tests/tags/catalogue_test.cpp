#include "measure/codepage.h"
#include "tags/formatters.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace keltrix;

namespace {

class CatalogueTest : public ::testing::Test {
protected:
    TRawDataShell Shell;
    TFormatterList Formatters = CreateFormatters(Shell);

    std::string Description(const std::string& title) {
        for (const auto& f : Formatters)
            if (f->TagList.IndexOf(title) >= 0) return f->TagList.Find(title)->Description;
        return "<missing " + title + ">";
    }
    std::string Usage(const std::string& title) {
        for (const auto& f : Formatters)
            if (f->TagList.IndexOf(title) >= 0) return f->GetDefaultUsage(title);
        return "<missing " + title + ">";
    }
};

TEST_F(CatalogueTest, FormattersAndTitlesInTheirFixedOrder) {
    ASSERT_EQ(Formatters.size(), 8u);
    EXPECT_NE(dynamic_cast<TMBMFormat*>(Formatters[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<TUTPFormat*>(Formatters[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TPageRAMFormat*>(Formatters[2].get()), nullptr);
    EXPECT_NE(dynamic_cast<TProcFormat*>(Formatters[3].get()), nullptr);
    EXPECT_NE(dynamic_cast<TNetworkFormat*>(Formatters[4].get()), nullptr);
    EXPECT_NE(dynamic_cast<TNonPerfFormat*>(Formatters[5].get()), nullptr);
    EXPECT_NE(dynamic_cast<TTopProcFormat*>(Formatters[6].get()), nullptr);
    EXPECT_NE(dynamic_cast<TBatteryFormat*>(Formatters[7].get()), nullptr);

    std::vector<std::string> titles, names;
    for (const auto& f : Formatters) {
        f->GetTitles(titles);
        for (const auto& entry : f->TagList) names.push_back(entry.Data.Name);
    }
    std::vector<std::string> expected;
    for (int n = 1; n <= 9; ++n) expected.push_back("Temperature " + std::to_string(n));
    for (int n = 1; n <= 9; ++n) expected.push_back("Fan " + std::to_string(n));
    for (const char* t : {"Uptime",
                          "System Thread Count",
                          "System Processes Count",
                          "PageTotal",
                          "PageUsed",
                          "PageFree",
                          "RAMTotal",
                          "RAMUsed",
                          "RAMFree",
                          "Processor Usage",
                          "Network Read Stats",
                          "Network Write Stats",
                          "Network Bytes Read",
                          "Network Bytes Written",
                          "IP Addresses",
                          "Computer Name",
                          "User Name",
                          "Date and Time",
                          "Blank",
                          "Drive Space",
                          "Processor Type",
                          "File Line Data",
                          "Top Process",
                          "Power Source",
                          "Battery Activity",
                          "Battery Percentage",
                          "Battery Time Remaining",
                          "Battery Time Total"})
        expected.push_back(t);
    EXPECT_EQ(titles, expected);

    EXPECT_EQ(names[0], "TEMP1");
    EXPECT_EQ(names[17], "FAN9");
    EXPECT_EQ(names[27], "PROCUSAGE");
    EXPECT_EQ(names.back(), "TIMETOTAL");
    // No tag name may begin another, or its tags would be taken by the shorter one.
    for (const auto& a : names) {
        for (const auto& b : names) {
            if (&a != &b) {
                EXPECT_FALSE(b.starts_with(a)) << a << " begins " << b;
            }
        }
    }
    EXPECT_EQ(std::set<std::string>(titles.begin(), titles.end()).size(), titles.size());
}

TEST_F(CatalogueTest, DecideIfActiveWithOnlyAFanTag) {
    for (const auto& f : Formatters) f->Active = true;
    for (const auto& f : Formatters) f->DecideIfActive("Fan: <NAME=Fan1>");
    EXPECT_TRUE(Formatters[0]->Active);
    for (std::size_t i = 1; i < Formatters.size(); ++i) EXPECT_FALSE(Formatters[i]->Active) << i;
}

TEST_F(CatalogueTest, NonPerfClearsDriveLettersButNotTheSumSlot) {
    TRawData& data = Shell.Data();
    data.Drives[0].Letter = 'Z';
    for (int slot = 1; slot <= 16; ++slot) data.Drives[slot].Letter = static_cast<char>('A' + slot);
    data.Drives[3].FreeMB = 12.5f;
    Formatters[5]->DecideIfActive("<NAME=Blank>");
    EXPECT_TRUE(Formatters[5]->Active);
    EXPECT_EQ(data.Drives[0].Letter, 'Z');
    for (int slot = 1; slot <= 16; ++slot) EXPECT_EQ(data.Drives[slot].Letter, 0) << slot;
    EXPECT_EQ(data.Drives[3].FreeMB, 12.5f);
}

TEST_F(CatalogueTest, DescriptionsAndUsagesAsTheEditorShowsThem) {
    EXPECT_EQ(Description("Processor Usage"),
              "Displays processor usage as a percentage. <NAME=ProcUsage>. Uses FORMAT, "
              "LEADZERO, DECIMAL, SIZE. Set Format to the number processor you would like to "
              "display (1-4), or ALL for the total.");
    EXPECT_EQ(Description("Network Bytes Written"),
              "Bytes Written to all network adapters since system startup, in KB. "
              "<NAME=NetSumWrite>. Uses FORMAT, LEADZERO, DECIMAL, SIZE. Set Format to the "
              "number NIC you would like to display (1-4), or ALL for the total.");
    EXPECT_EQ(Description("RAMFree"),
              "Free Bytes in RAM, expressed in MB. <NAME=RAMFree>. Uses SIZE, DIV, FORMAT. Use "
              "FORMAT=\"%\" to display the value as a percentage, instead of an absolute value, "
              "which is the default");
    EXPECT_EQ(Description("Fan 4"),
              "Reports speed of Fan 4 Sensor in MBM. Can be read without MBM running (though MBM "
              "must still have been installed) if the MBMStarter DLL is in the same directory. "
              "Uses SIZE. <NAME=Fan4>. ");
    EXPECT_NE(Description("Temperature 7").find("sensor #7 in MBM."), std::string::npos);
    EXPECT_NE(Description("Temperature 7").find("<NAME=Temp7>. Format tags"), std::string::npos);

    const std::string uptime = Description("Uptime");
    EXPECT_NE(uptime.find("Valid FORMAT items: For the Uptime"), std::string::npos);
    EXPECT_NE(uptime.find("appear as is. Next,"), std::string::npos);
    EXPECT_TRUE(uptime.ends_with(
        "numbers.\r\n*d* days, no leading zero\r\n*D* Days, with leading zero\r\n*h* hours, "
        "no leading zero\r\n*H* Hours, with leading zero\r\n*m* duh\r\n*M* duh\r\n*s* "
        "duh\r\n*S* duh\r\n"));

    const std::string date = Description("Date and Time");
    EXPECT_NE(date.find("it.\r\nInterspersed"), std::string::npos);
    EXPECT_NE(date.find("I think.\r\nc    \t       Displays the date"), std::string::npos);
    EXPECT_NE(date.find("DateTime value \r\nd\t       Displays the day"), std::string::npos);
    EXPECT_NE(date.find("\r\ndddddd       Displays the date"), std::string::npos);
    EXPECT_NE(date.find("\r\n'xx'  Characters"), std::string::npos);
    EXPECT_TRUE(date.ends_with("using SIZE and CHAR.\r\n"));
    EXPECT_NE(Description("Drive Space").find("space; up to 16 drives can"), std::string::npos);

    EXPECT_EQ(Usage("Processor Type"), "Processor: <NAME=PROCTYPE\">");
    EXPECT_EQ(Usage("Temperature 3"), "Temp3: <NAME=Temp3 FORMAT=\"C\">\xC2\xBA");
    // The degree sign leaves the program as the one byte 0xBA of Windows-1252.
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(Utf8ToAnsi(Usage("Temperature " + std::to_string(n))),
                  "Temp" + std::to_string(n) + ": <NAME=Temp" + std::to_string(n) +
                      " FORMAT=\"C\">\xBA");
    EXPECT_EQ(Usage("Fan 9"), "Fan9: <NAME=Fan9>");
    EXPECT_EQ(Usage("Uptime"),
              "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>");
    EXPECT_EQ(Usage("Battery Time Total"), "<NAME=TimeTotal SIZE=5>");
}

} // namespace
