#include "platform/if_table.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace keltrix::platform {
namespace {

using test::DataRoot;
using test::TTempTree;

// The caller's protocol: ask for the size, then fill a zeroed buffer of that size.
std::vector<MIB_IFROW> Table(TIfTableSource& source, bool order) {
    std::uint32_t size = 0;
    EXPECT_EQ(source.GetIfTable(nullptr, &size, order), ERROR_INSUFFICIENT_BUFFER)
        << source.LastError();
    std::vector<std::uint8_t> buffer(size);
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
    EXPECT_EQ(source.GetIfTable(table, &size, order), ERROR_SUCCESS) << source.LastError();
    EXPECT_EQ(size, IfTableSize(table->dwNumEntries));
    const MIB_IFROW* rows = IfTableRows(table);
    return {rows, rows + table->dwNumEntries};
}

std::string Name(const MIB_IFROW& row) {
    std::string name;
    for (const char16_t* c = row.wszName; *c; ++c) name += static_cast<char>(*c);
    return name;
}

TEST(IfTable, SizeQueryThenFill) {
    TIfTableSource source(DataRoot("laptop"));
    std::uint32_t size = 0;
    ASSERT_EQ(source.GetIfTable(nullptr, &size, true), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, IfTableSize(6));
    std::vector<std::uint8_t> buffer(size);
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
    std::uint32_t tooSmall = size - 1;
    EXPECT_EQ(source.GetIfTable(table, &tooSmall, true), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tooSmall, size);
    EXPECT_EQ(table->dwNumEntries, 0u) << "a short buffer is untouched";
    EXPECT_EQ(source.GetIfTable(table, &size, true), ERROR_SUCCESS);
    EXPECT_EQ(table->dwNumEntries, 6u);
    EXPECT_EQ(source.GetIfTable(table, nullptr, true), ERROR_INVALID_PARAMETER);
}

TEST(IfTable, RowsSortedByIndexWithTypesFromSysfs) {
    TIfTableSource source(DataRoot("laptop"));
    const auto rows = Table(source, true);
    ASSERT_EQ(rows.size(), 6u) << "gone0 has no sysfs entry and is left out";
    const struct {
        const char* Name;
        std::uint32_t Index, Type;
    } expected[] = {{"lo", 1, IF_TYPE_SOFTWARE_LOOPBACK}, {"eth0", 2, IF_TYPE_ETHERNET_CSMACD},
                    {"wlan0", 3, IF_TYPE_IEEE80211},      {"can0", 4, IF_TYPE_OTHER},
                    {"tun0", 5, IF_TYPE_TUNNEL},          {"ppp0", 7, IF_TYPE_PPP}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Name(rows[i]), expected[i].Name);
        EXPECT_EQ(rows[i].dwIndex, expected[i].Index) << expected[i].Name;
        EXPECT_EQ(rows[i].dwType, expected[i].Type) << expected[i].Name;
    }
    EXPECT_EQ(rows[1].dwInOctets, 1000000u);
    EXPECT_EQ(rows[1].dwOutOctets, 500000u);
    EXPECT_EQ(rows[4].dwInOctets, 500u);
    EXPECT_EQ(rows[5].dwOutOctets, 400u);
}

TEST(IfTable, CountersAreCutToTheirLow32Bits) {
    TIfTableSource source(DataRoot("laptop"));
    const auto rows = Table(source, true);
    ASSERT_EQ(rows.size(), 6u);
    const MIB_IFROW& wlan = rows[2];
    EXPECT_EQ(wlan.dwInOctets, 705032704u); // 5000000000 - 2^32
    EXPECT_EQ(wlan.dwOutOctets, 1u);        // 2^32 + 1
    EXPECT_EQ(wlan.dwInUcastPkts, 3999000u);
    EXPECT_EQ(wlan.dwInNUcastPkts, 1000u);
    EXPECT_EQ(wlan.dwInErrors, 3u);
    EXPECT_EQ(wlan.dwInDiscards, 4u);
    EXPECT_EQ(wlan.dwOutUcastPkts, 3000000u);
    EXPECT_EQ(wlan.dwOutErrors, 5u);
    EXPECT_EQ(wlan.dwOutDiscards, 6u);
    EXPECT_EQ(wlan.dwDescrLen, 6u);
    EXPECT_STREQ(reinterpret_cast<const char*>(wlan.bDescr), "wlan0");
    EXPECT_EQ(wlan.dwMtu, 0u) << "not read, left zero";
}

TEST(IfTable, UnsortedKeepsTheOrderOfNetDev) {
    TIfTableSource source(DataRoot("laptop"));
    std::vector<std::string> names;
    for (const MIB_IFROW& row : Table(source, false)) names.push_back(Name(row));
    EXPECT_EQ(names, (std::vector<std::string>{"wlan0", "lo", "eth0", "ppp0", "tun0", "can0"}));
}

// A container host: the veth pairs, the bridge and the others have no device behind them.
class IfTableKinds : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dev = "Inter-| Receive | Transmit\n face |bytes packets|bytes packets\n";
        int index = 1;
        const auto add = [&](const char* name, const char* type) {
            dev += std::string(name) + ": 2048 1 0 0 0 0 0 0 1024 1 0 0 0 0 0 0\n";
            const std::string base = std::string("sys/class/net/") + name;
            Tree.Write(base + "/ifindex", std::to_string(index++));
            Tree.Write(base + "/type", type);
        };
        const auto device = [&](const char* name) {
            Tree.Write(std::string("sys/class/net/") + name + "/device/uevent", "DRIVER=x\n");
        };
        const auto flags = [&](const char* name, const char* value) {
            Tree.Write(std::string("sys/class/net/") + name + "/flags", value);
        };
        add("lo", "772");
        add("eth0", "1");
        device("eth0");
        add("br0", "1");
        add("veth1a", "1");
        add("ifb0", "1");
        add("dummy0", "1");
        add("wlan0", "1");
        Tree.Folder("sys/class/net/wlan0/phy80211");
        add("wg0", "65534");
        flags("wg0", "0x10d1\n"); // up and running
        add("tun1", "65534");
        flags("tun1", "0x1091\n"); // up, but no carrier: the VPN has gone
        add("ppp0", "512");
        flags("ppp0", "0x1051\n");
        add("ppp1", "512");
        flags("ppp1", "0x1010\n"); // down
        add("usb0", "1");
        device("usb0");
        Tree.Write("proc/net/dev", dev);
    }

    std::vector<std::pair<std::string, std::uint32_t>> Types() {
        TIfTableSource source(Tree.Root());
        if (!Names.empty()) source.SetCountedInterfaces(ParseInterfaceList(Names));
        std::vector<std::pair<std::string, std::uint32_t>> out;
        for (const MIB_IFROW& row : Table(source, true)) out.emplace_back(Name(row), row.dwType);
        return out;
    }

    TTempTree Tree;
    std::string Names;
};

TEST_F(IfTableKinds, OnlyDevicesAndLinksThatAreUpCount) {
    const std::vector<std::pair<std::string, std::uint32_t>> expected{
        {"lo", IF_TYPE_SOFTWARE_LOOPBACK},
        {"eth0", IF_TYPE_ETHERNET_CSMACD},
        {"br0", IF_TYPE_OTHER},
        {"veth1a", IF_TYPE_OTHER},
        {"ifb0", IF_TYPE_OTHER},
        {"dummy0", IF_TYPE_OTHER},
        {"wlan0", IF_TYPE_IEEE80211},
        {"wg0", IF_TYPE_TUNNEL},
        {"tun1", IF_TYPE_OTHER},
        {"ppp0", IF_TYPE_PPP},
        {"ppp1", IF_TYPE_OTHER},
        {"usb0", IF_TYPE_ETHERNET_CSMACD}};
    EXPECT_EQ(Types(), expected);
}

TEST_F(IfTableKinds, NamedInterfacesCountInTheOrderNamedAndNoOthers) {
    Names = " veth1a ;eth0;; br0;veth1a;gone0";
    const auto rows = Types();
    ASSERT_EQ(rows.size(), 12u);
    // The named ones lead, in the order given; the rest follow by index and do not count.
    EXPECT_EQ(rows[0], (std::pair<std::string, std::uint32_t>{"veth1a", IF_TYPE_ETHERNET_CSMACD}));
    EXPECT_EQ(rows[1], (std::pair<std::string, std::uint32_t>{"eth0", IF_TYPE_ETHERNET_CSMACD}));
    EXPECT_EQ(rows[2], (std::pair<std::string, std::uint32_t>{"br0", IF_TYPE_ETHERNET_CSMACD}));
    for (std::size_t i = 3; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].second, IF_TYPE_OTHER) << rows[i].first;
    EXPECT_EQ(rows[3].first, "lo");
}

TEST(IfTable, InterfaceListsAreTrimmedWithoutEmptiesOrRepeats) {
    EXPECT_EQ(ParseInterfaceList(" eth0 ; ;wlan0;eth0;"),
              (std::vector<std::string>{"eth0", "wlan0"}));
    EXPECT_TRUE(ParseInterfaceList("").empty());
    EXPECT_TRUE(ParseInterfaceList(" ; ").empty());
}

TEST(IfTable, RecordedMachine) {
    TIfTableSource source(DataRoot("vm"));
    const auto rows = Table(source, true);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(Name(rows[0]), "lo");
    EXPECT_EQ(rows[0].dwType, IF_TYPE_SOFTWARE_LOOPBACK);
    EXPECT_EQ(rows[0].dwInOctets, 3267u);
    EXPECT_EQ(rows[1].dwType, IF_TYPE_OTHER) << "ifb0 has no device behind it";
    EXPECT_EQ(rows[2].dwType, IF_TYPE_OTHER) << "ifb1 has no device behind it";
    EXPECT_EQ(Name(rows[3]), "eth0");
    EXPECT_EQ(rows[3].dwIndex, 4u);
    EXPECT_EQ(rows[3].dwType, IF_TYPE_ETHERNET_CSMACD);
    EXPECT_EQ(rows[3].dwInOctets, 78079149u);
    EXPECT_EQ(rows[3].dwOutOctets, 73079u);
}

TEST(IfTable, BrokenInputsFailWithAReason) {
    const char* header = "Inter-| Receive | Transmit\n face |bytes packets|bytes packets\n";
    struct TCase {
        const char* NetDev;
        const char* IfIndex;
        std::uint32_t Code;
        const char* Says;
    } cases[] = {
        {nullptr, "1", ERROR_FILE_NOT_FOUND, "proc/net/dev"},
        {"garbage\n", "1", ERROR_INVALID_DATA, "heading"},
        {"+header eth0 1 2 3\n", "1", ERROR_INVALID_DATA, "name:"},
        {"+header eth0: 1 2 3\n", "1", ERROR_INVALID_DATA, "bad counters for eth0"},
        {"+header eth0: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n", "x1", ERROR_INVALID_DATA,
         "ifindex"},
    };
    for (const TCase& c : cases) {
        TTempTree tree;
        if (c.NetDev) {
            std::string text = c.NetDev;
            if (text.rfind("+header ", 0) == 0) text = header + text.substr(8);
            tree.Write("proc/net/dev", text);
        }
        tree.Write("sys/class/net/eth0/ifindex", c.IfIndex);
        tree.Write("sys/class/net/eth0/type", "1");
        TIfTableSource source(tree.Root());
        std::uint32_t size = 0;
        EXPECT_EQ(source.GetIfTable(nullptr, &size, true), c.Code) << c.Says;
        EXPECT_NE(source.LastError().find(c.Says), std::string::npos) << source.LastError();
    }
}

} // namespace
} // namespace keltrix::platform
