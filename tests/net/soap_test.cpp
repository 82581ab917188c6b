#include "net/soap_envelope.h"
#include "net/soap_service.h"

#include "measure/date_time.h"
#include "web_fixture.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using test::TFakeMonitor;

std::string Envelope(const std::string& call, const std::string& prefix = "SOAP-ENV") {
    return "<?xml version=\"1.0\"?><" + prefix + ":Envelope xmlns:" + prefix +
           "=\"http://schemas.xmlsoap.org/soap/envelope/\"><" + prefix + ":Body>" + call + "</" +
           prefix + ":Body></" + prefix + ":Envelope>";
}

std::string Call(const std::string& op, const std::string& params = "") {
    return "<NS1:" + op + " xmlns:NS1=\"urn:KeltrixIntf-IKeltrixWS\">" + params + "</NS1:" + op +
           ">";
}

// The text of "return" in an answer.
std::string Result(const std::string& answer) {
    const auto open = answer.find("<return");
    const auto start = answer.find('>', open) + 1;
    return answer.substr(start, answer.find("</return>") - start);
}

TEST(SoapParse, PrefixesDefaultNamespacesReferencesAndNil) {
    TSoapCall call = ParseSoapRequest(Envelope(Call("GetRAM", "<SubItem>siUsed</SubItem>"), "s"));
    EXPECT_EQ(call.Operation, "GetRAM");
    EXPECT_EQ(call.Namespace, "urn:KeltrixIntf-IKeltrixWS");
    EXPECT_EQ(call.Params.at("SubItem"), "siUsed");

    call = ParseSoapRequest(Envelope(
        "<GetDriveSpace xmlns=\"urn:KeltrixIntf-IKeltrixWS\"><Selection href=\"#1\"/>"
        "<SubItem xsi:nil=\"true\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>"
        "</GetDriveSpace><x id=\"1\">C</x>"));
    EXPECT_EQ(call.Operation, "GetDriveSpace");
    EXPECT_EQ(call.Namespace, "urn:KeltrixIntf-IKeltrixWS");
    EXPECT_EQ(call.Params.at("Selection"), "C");
    EXPECT_FALSE(call.Params.at("SubItem").has_value());

    // A Header before the Body is skipped.
    call = ParseSoapRequest("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                            "<e:Header><a/></e:Header><e:Body>" +
                            Call("GetVersion") + "</e:Body></e:Envelope>");
    EXPECT_EQ(call.Operation, "GetVersion");
}

TEST(SoapParse, MalformedRequestsAreFaults) {
    for (const std::string& bad :
         {std::string(""), std::string("<a>"), std::string("<Envelope/>"),
          std::string("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body>"
                      "<x/></e:Body></e:Envelope>"),
          Envelope(""),
          std::string("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/"
                      "envelope/\"/>"),
          Envelope(Call("GetRAM", "<SubItem href=\"#none\"/>"))}) {
        EXPECT_THROW(ParseSoapRequest(bad), ESoapFault) << bad;
    }
    // An entity defined in a DTD is not expanded.
    const TSoapCall call =
        ParseSoapRequest("<!DOCTYPE x [<!ENTITY a \"aaaa\">]>" +
                         Envelope(Call("GetFormattedItem", "<FormatString>&a;&a;</FormatString>")));
    EXPECT_EQ(call.Params.at("FormatString"), "&a;&a;");
}

class SoapInvoke : public ::testing::Test {
protected:
    std::string Answer(const std::string& op, const std::string& params = "") {
        const auto snap = M.View.Current();
        Module.Load(*snap);
        return InvokeKeltrixWS(ParseSoapRequest(Envelope(Call(op, params))), *snap, Module);
    }
    std::string Value(const std::string& op, const std::string& params = "") {
        return Result(Answer(op, params));
    }
    TFakeMonitor M;
    TWebModule Module;
};

TEST_F(SoapInvoke, VersionSelectionsAndScalars) {
    M.Data().Marker = RecordMarker;
    M.Data().ProcUsage[0] = 12.5f;
    M.Data().ProcUsage[4] = 99.0f;
    M.Data().NetReadSum[2] = 1.25f;
    M.Data().Threads = -2;
    M.Data().Processes = 300;
    M.Data().Uptime = 5000000000LL;
    M.Data().CompName.Set("machine");
    M.Data().UserName.Set("a<b&c");
    EXPECT_EQ(Value("GetVersion"), "234");
    EXPECT_NE(Answer("GetVersion").find("xsi:type=\"xsd:unsignedByte\""), std::string::npos);
    EXPECT_EQ(Value("GetProcUsage", "<Selection>0</Selection>"), "12.5");
    EXPECT_EQ(Value("GetProcUsage", "<Selection>4</Selection>"), "99");
    EXPECT_EQ(Value("GetProcUsage", "<Selection>5</Selection>"), "0");
    EXPECT_EQ(Value("GetProcUsage", "<Selection>-1</Selection>"), "0");
    EXPECT_EQ(Value("GetNetReadSum", "<Selection> 2 </Selection>"), "1.25");
    EXPECT_EQ(Value("GetThreads"), "-2");
    EXPECT_EQ(Value("GetProcesses"), "300");
    EXPECT_EQ(Value("GetUptime"), "5000000000");
    EXPECT_EQ(Value("GetCompName"), "machine");
    EXPECT_EQ(Value("GetUser"), "a&lt;b&amp;c");
    EXPECT_NE(Answer("GetUptime").find("<NS1:GetUptimeResponse"), std::string::npos);
}

TEST_F(SoapInvoke, UndecodableParametersAndUnknownOperationsAreFaults) {
    EXPECT_THROW(Answer("GetProcUsage", "<Selection>128</Selection>"), ESoapFault);
    EXPECT_THROW(Answer("GetProcUsage", "<Selection>one</Selection>"), ESoapFault);
    EXPECT_THROW(Answer("GetProcUsage"), ESoapFault);
    EXPECT_THROW(Answer("GetRAM", "<SubItem>siHalf</SubItem>"), ESoapFault);
    EXPECT_THROW(Answer("GetSecrets"), ESoapFault);
    // A FileData line definition that is no number reaches the caller as a fault.
    M.Apply("<NAME=FileData FORMAT=\"/etc/hostname,x,1\">");
    EXPECT_THROW(Answer("GetFormattedItem",
                        "<FormatString>&lt;NAME=FileData FORMAT=\"/etc/hostname,x,1\"&gt;"
                        "</FormatString>"),
                 ESoapFault);
    const std::string fault = SoapFault("bad <thing>");
    EXPECT_NE(fault.find("<faultcode>SOAP-ENV:Server</faultcode>"), std::string::npos);
    EXPECT_NE(fault.find("<faultstring>bad &lt;thing&gt;</faultstring>"), std::string::npos);
}

TEST_F(SoapInvoke, MemoryIsInBytesCappedAndUsedIsTotalLessFree) {
    StoreMemory(M.Data(), 1000, 3000, 1u << 20, 3u << 20);
    EXPECT_EQ(Value("GetRAM", "<SubItem>siTotal</SubItem>"), "3145728");
    EXPECT_EQ(Value("GetRAM", "<SubItem>siFree</SubItem>"), "1048576");
    EXPECT_EQ(Value("GetRAM", "<SubItem>siUsed</SubItem>"), "2097152");
    EXPECT_EQ(Value("GetPage", "<SubItem>siUsed</SubItem>"), "2000");
    EXPECT_EQ(Value("GetRAM", "<SubItem>7</SubItem>"), "0");
    // 64 GiB is kept in scaled units; callers get bytes, capped to what unsignedInt holds.
    StoreMemory(M.Data(), 1ull << 30, 1ull << 36, 3ull << 30, 1ull << 36);
    ASSERT_GT(M.Data().Unused[0], 0);
    EXPECT_EQ(Value("GetRAM", "<SubItem>siTotal</SubItem>"), "4294967295");
    EXPECT_EQ(Value("GetRAM", "<SubItem>siFree</SubItem>"), "3221225472");
    EXPECT_EQ(Value("GetPage", "<SubItem>siFree</SubItem>"), "1073741824");
}

TEST_F(SoapInvoke, DriveSpaceFindsRegisteredUpperCaseLettersOnly) {
    M.Data().Drives[0] = {'\0', {}, 999, 999};
    M.Data().Drives[3] = {'C', {}, 1000.5f, 250.25f};
    EXPECT_EQ(Value("GetDriveSpace", "<Selection>C</Selection><SubItem>siTotal</SubItem>"),
              "1000.5");
    EXPECT_EQ(Value("GetDriveSpace", "<Selection>C</Selection><SubItem>siUsed</SubItem>"),
              "750.25");
    EXPECT_EQ(Value("GetDriveSpace", "<Selection>c</Selection><SubItem>siTotal</SubItem>"), "0");
    EXPECT_EQ(Value("GetDriveSpace", "<Selection>D</Selection><SubItem>siFree</SubItem>"), "0");
}

TEST_F(SoapInvoke, FormattedItemRendersWithTheDisplaysActiveFormatters) {
    M.Data().Threads = 12;
    M.Data().CompName.Set("pc");
    M.Apply("<NAME=Threads>");
    EXPECT_EQ(Value("GetFormattedItem",
                    "<FormatString>T=&lt;NAME=Threads&gt; C=&lt;NAME=CompName&gt;</FormatString>"),
              "T=12 C=&lt;NAME=CompName&gt;");
}

TEST(SoapValues, DateTimeAndFloatTexts) {
    EXPECT_EQ(XsdDateTime(*EncodeDateTime(2024, 2, 29, 23, 5, 7, 250)), "2024-02-29T23:05:07.250");
    EXPECT_EQ(XsdFloat(0.1f), "0.1");
    EXPECT_EQ(XsdFloat(-3.0f), "-3");
    EXPECT_EQ(XsdFloat(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(XsdFloat(-std::numeric_limits<float>::infinity()), "-INF");
    EXPECT_EQ(XmlText(std::string("a\x01") + "\xBA"), "a?\xC2\xBA");
}

} // namespace
} // namespace keltrix
