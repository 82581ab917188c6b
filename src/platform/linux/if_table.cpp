#include "platform/if_table.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace keltrix::platform {
namespace {

// Link types of <linux/if_arp.h> that the table tells apart.
constexpr unsigned ARPHRD_ETHER = 1;
constexpr unsigned ARPHRD_PPP = 512;
constexpr unsigned ARPHRD_TUNNEL = 768;
constexpr unsigned ARPHRD_TUNNEL6 = 769;
constexpr unsigned ARPHRD_LOOPBACK = 772;
constexpr unsigned ARPHRD_SIT = 776;
constexpr unsigned ARPHRD_IPGRE = 778;
constexpr unsigned ARPHRD_IP6GRE = 823;
constexpr unsigned ARPHRD_NONE = 0xFFFE; // tun and WireGuard devices

std::uint32_t IfType(unsigned arphrd, bool wireless) {
    switch (arphrd) {
    case ARPHRD_LOOPBACK:
        return IF_TYPE_SOFTWARE_LOOPBACK;
    case ARPHRD_ETHER:
        return wireless ? IF_TYPE_IEEE80211 : IF_TYPE_ETHERNET_CSMACD;
    case ARPHRD_PPP:
        return IF_TYPE_PPP;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_NONE:
        return IF_TYPE_TUNNEL;
    default:
        return IF_TYPE_OTHER;
    }
}

std::uint32_t Low32(std::uint64_t value) {
    return static_cast<std::uint32_t>(value);
}

} // namespace

struct TIfTableSource::TImpl {
    std::string Root;
    std::string NetDevPath;
    std::string Error;
    std::string Text, Value, Path;
    std::vector<detail::TNetDevLine> Lines;
    std::vector<MIB_IFROW> Rows;

    std::uint32_t Fail(TResult result) {
        Error = std::move(result.Reason);
        return result.Code;
    }

    // A small sysfs number of the interface; nothing when the interface has gone.
    enum class TRead { Ok, Gone, Bad };
    TRead ReadNumber(const std::string& name, const char* attribute, std::uint64_t& value) {
        Path = detail::JoinRoot(Root, "/sys/class/net/");
        Path += name;
        Path += '/';
        Path += attribute;
        if (!detail::ReadWholeFile(Path, Value)) return TRead::Gone;
        const auto parsed = detail::ParseUnsigned(Value);
        if (!parsed) return TRead::Bad;
        value = *parsed;
        return TRead::Ok;
    }

    bool IsWireless(const std::string& name) {
        const std::string base = detail::JoinRoot(Root, "/sys/class/net/") + name;
        return detail::DirectoryExists(base + "/wireless") ||
               detail::DirectoryExists(base + "/phy80211");
    }

    std::uint32_t Collect(bool order) {
        if (!detail::ReadWholeFile(NetDevPath, Text)) {
            const TResult failure = detail::ReadFailure(NetDevPath, errno);
            return Fail(failure);
        }
        std::string why;
        if (!detail::ParseNetDev(Text, Lines, why)) return Fail(detail::Malformed(NetDevPath, why));
        Rows.clear();
        for (const detail::TNetDevLine& line : Lines) {
            std::uint64_t index = 0, arphrd = 0;
            const TRead readIndex = ReadNumber(line.Name, "ifindex", index);
            const TRead readType =
                readIndex == TRead::Ok ? ReadNumber(line.Name, "type", arphrd) : readIndex;
            // An interface removed since /proc/net/dev was read is simply not listed.
            if (readIndex == TRead::Gone || readType == TRead::Gone) continue;
            if (readIndex == TRead::Bad || readType == TRead::Bad || index > 0xFFFFFFFFu)
                return Fail(detail::Malformed(Path, "not a number"));

            MIB_IFROW& row = Rows.emplace_back();
            std::memset(&row, 0, sizeof row);
            std::size_t units = 0;
            detail::Utf8ToUtf16(line.Name, [&](char16_t unit) {
                if (units + 1 < MAX_INTERFACE_NAME_LEN) row.wszName[units++] = unit;
            });
            const std::size_t descr = std::min(line.Name.size(), MAXLEN_IFDESCR - 1);
            std::memcpy(row.bDescr, line.Name.data(), descr);
            row.dwDescrLen = static_cast<std::uint32_t>(descr + 1);
            row.dwIndex = static_cast<std::uint32_t>(index);
            row.dwType = IfType(static_cast<unsigned>(arphrd),
                                arphrd == ARPHRD_ETHER && IsWireless(line.Name));
            row.dwInOctets = Low32(line.RxBytes);
            row.dwInUcastPkts = Low32(line.RxPackets - std::min(line.RxMulticast, line.RxPackets));
            row.dwInNUcastPkts = Low32(line.RxMulticast);
            row.dwInDiscards = Low32(line.RxDrops);
            row.dwInErrors = Low32(line.RxErrors);
            row.dwOutOctets = Low32(line.TxBytes);
            row.dwOutUcastPkts = Low32(line.TxPackets);
            row.dwOutDiscards = Low32(line.TxDrops);
            row.dwOutErrors = Low32(line.TxErrors);
        }
        if (order) {
            std::sort(Rows.begin(), Rows.end(),
                      [](const MIB_IFROW& a, const MIB_IFROW& b) { return a.dwIndex < b.dwIndex; });
        }
        return ERROR_SUCCESS;
    }
};

TIfTableSource::TIfTableSource(std::string root) : Impl_(std::make_unique<TImpl>()) {
    Impl_->Root = std::move(root);
    Impl_->NetDevPath = detail::JoinRoot(Impl_->Root, "/proc/net/dev");
}

TIfTableSource::~TIfTableSource() = default;

std::uint32_t TIfTableSource::GetIfTable(MIB_IFTABLE* table, std::uint32_t* size, bool order) {
    TImpl& m = *Impl_;
    m.Error.clear();
    if (!size) {
        m.Error = "no size given";
        return ERROR_INVALID_PARAMETER;
    }
    if (const std::uint32_t code = m.Collect(order); code != ERROR_SUCCESS) return code;
    const std::uint32_t needed = IfTableSize(m.Rows.size());
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    table->dwNumEntries = static_cast<std::uint32_t>(m.Rows.size());
    if (!m.Rows.empty())
        std::memcpy(IfTableRows(table), m.Rows.data(), m.Rows.size() * sizeof(MIB_IFROW));
    return ERROR_SUCCESS;
}

const std::string& TIfTableSource::LastError() const {
    return Impl_->Error;
}

} // namespace keltrix::platform
