#pragma once
// The interface table in the shape of GetIfTable: MIB_IFROW rows with 32-bit octet counters
// that wrap, and the size-query protocol.

#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix::platform {

inline constexpr std::size_t MAX_INTERFACE_NAME_LEN = 256;
inline constexpr std::size_t MAXLEN_PHYSADDR = 8;
inline constexpr std::size_t MAXLEN_IFDESCR = 256;

inline constexpr std::uint32_t IF_TYPE_OTHER = 1;
inline constexpr std::uint32_t IF_TYPE_ETHERNET_CSMACD = 6;
inline constexpr std::uint32_t IF_TYPE_PPP = 23;
inline constexpr std::uint32_t IF_TYPE_SOFTWARE_LOOPBACK = 24;
inline constexpr std::uint32_t IF_TYPE_IEEE80211 = 71;
inline constexpr std::uint32_t IF_TYPE_TUNNEL = 131;

// Filled here: the name (wszName, and bDescr as bytes), dwIndex, dwType and the counters
// that /proc/net/dev carries, each cut to its low 32 bits. The rest stays zero.
struct MIB_IFROW {
    char16_t wszName[MAX_INTERFACE_NAME_LEN];
    std::uint32_t dwIndex;
    std::uint32_t dwType;
    std::uint32_t dwMtu;
    std::uint32_t dwSpeed;
    std::uint32_t dwPhysAddrLen;
    std::uint8_t bPhysAddr[MAXLEN_PHYSADDR];
    std::uint32_t dwAdminStatus;
    std::uint32_t dwOperStatus;
    std::uint32_t dwLastChange;
    std::uint32_t dwInOctets;
    std::uint32_t dwInUcastPkts;
    std::uint32_t dwInNUcastPkts;
    std::uint32_t dwInDiscards;
    std::uint32_t dwInErrors;
    std::uint32_t dwInUnknownProtos;
    std::uint32_t dwOutOctets;
    std::uint32_t dwOutUcastPkts;
    std::uint32_t dwOutNUcastPkts;
    std::uint32_t dwOutDiscards;
    std::uint32_t dwOutErrors;
    std::uint32_t dwOutQLen;
    std::uint32_t dwDescrLen;
    std::uint8_t bDescr[MAXLEN_IFDESCR];
};

struct MIB_IFTABLE {
    std::uint32_t dwNumEntries;
    MIB_IFROW table[1]; // dwNumEntries rows follow: reach them through IfTableRows
};

static_assert(sizeof(MIB_IFROW) == 860);
static_assert(offsetof(MIB_IFROW, dwIndex) == 512);
static_assert(offsetof(MIB_IFROW, dwType) == 516);
static_assert(offsetof(MIB_IFROW, dwInOctets) == 552);
static_assert(offsetof(MIB_IFROW, dwOutOctets) == 576);
static_assert(offsetof(MIB_IFROW, bDescr) == 604);
static_assert(offsetof(MIB_IFTABLE, table) == 4);

inline MIB_IFROW* IfTableRows(MIB_IFTABLE* table) {
    return table->table;
}
inline const MIB_IFROW* IfTableRows(const MIB_IFTABLE* table) {
    return table->table;
}
// The bytes a table of rows rows takes.
inline constexpr std::uint32_t IfTableSize(std::size_t rows) {
    return static_cast<std::uint32_t>(offsetof(MIB_IFTABLE, table) + rows * sizeof(MIB_IFROW));
}

// "eth0;wlan0": the names between semicolons, blanks trimmed, empty ones and repeats dropped.
std::vector<std::string> ParseInterfaceList(std::string_view text);

// Which interfaces count without NetInterfaces: those backed by a device (Ethernet, or
// Wi-Fi), PPP links and tunnels while they are up. Virtual devices without a device behind
// them (veth, bridge, ifb, dummy, tap) are type 1, so that they count neither in a slot nor
// in the sum.
class TIfTableSource {
public:
    // root: the folder that holds proc/ and sys/ ("/" for the running machine).
    explicit TIfTableSource(std::string root = "/");
    ~TIfTableSource();
    TIfTableSource(const TIfTableSource&) = delete;
    TIfTableSource& operator=(const TIfTableSource&) = delete;

    // table null or *size too small: *size is set to the size needed and the answer is
    // ERROR_INSUFFICIENT_BUFFER. order: rows sorted by dwIndex, else in /proc/net/dev order.
    // Anything but ERROR_SUCCESS or ERROR_INSUFFICIENT_BUFFER: LastError() says why.
    std::uint32_t GetIfTable(MIB_IFTABLE* table, std::uint32_t* size, bool order);

    const std::string& LastError() const;

    // The NetInterfaces setting: when names are given, exactly those interfaces count (each
    // row keeps a counted type), in the order named, ahead of the other rows of a sorted
    // table; every other row is type 1. Empty: the rule of the interfaces themselves.
    void SetCountedInterfaces(std::vector<std::string> names);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl_;
};

} // namespace keltrix::platform
