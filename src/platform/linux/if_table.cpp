#include "platform/if_table.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
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

constexpr std::uint64_t IFF_UP = 0x1;
constexpr std::uint64_t IFF_RUNNING = 0x40;

// What sysfs says of one interface, as far as counting it goes.
struct TLinkFacts {
    unsigned Arphrd = 0;
    bool Wireless = false;
    bool Device = false; // a device link: hardware (or its emulation) behind the interface
    bool Up = false;     // administratively up and running
};

std::uint32_t IfType(const TLinkFacts& link) {
    switch (link.Arphrd) {
    case ARPHRD_LOOPBACK:
        return IF_TYPE_SOFTWARE_LOOPBACK;
    case ARPHRD_ETHER:
        if (link.Wireless) return IF_TYPE_IEEE80211;
        // veth, bridges, ifb, dummy and taps carry traffic that a device counts already.
        return link.Device ? IF_TYPE_ETHERNET_CSMACD : IF_TYPE_OTHER;
    case ARPHRD_PPP:
        return link.Up ? IF_TYPE_PPP : IF_TYPE_OTHER;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE:
    case ARPHRD_IP6GRE:
    case ARPHRD_NONE:
        return link.Up ? IF_TYPE_TUNNEL : IF_TYPE_OTHER;
    default:
        return IF_TYPE_OTHER;
    }
}

bool Counted(std::uint32_t type) {
    return type != IF_TYPE_OTHER && type != IF_TYPE_SOFTWARE_LOOPBACK;
}

bool Entry(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0; // a device link may point outside a recorded tree
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
    std::vector<std::string> Chosen; // NetInterfaces, in slot order

    std::uint32_t Fail(TResult result) {
        Error = std::move(result.Reason);
        return result.Code;
    }

    // The sysfs path of an attribute of the interface, in the one reused buffer.
    const std::string& Attribute(const std::string& name, const char* attribute) {
        Path = detail::JoinRoot(Root, "/sys/class/net/");
        Path += name;
        Path += '/';
        Path += attribute;
        return Path;
    }

    // A small sysfs number of the interface; nothing when the interface has gone.
    enum class TRead { Ok, Gone, Bad };
    TRead ReadNumber(const std::string& name, const char* attribute, std::uint64_t& value) {
        if (!detail::ReadWholeFile(Attribute(name, attribute), Value)) return TRead::Gone;
        const auto parsed = detail::ParseUnsigned(Value);
        if (!parsed) return TRead::Bad;
        value = *parsed;
        return TRead::Ok;
    }

    TLinkFacts Facts(const std::string& name, unsigned arphrd) {
        TLinkFacts link;
        link.Arphrd = arphrd;
        const auto at = [&](const char* attribute) -> const std::string& {
            return Attribute(name, attribute);
        };
        link.Device = Entry(at("device"));
        link.Wireless = arphrd == ARPHRD_ETHER && (detail::DirectoryExists(at("wireless")) ||
                                                   detail::DirectoryExists(at("phy80211")));
        // Only links that count while up need their flags ("0x1043").
        if (arphrd != ARPHRD_ETHER && arphrd != ARPHRD_LOOPBACK &&
            detail::ReadWholeFile(at("flags"), Value)) {
            std::string_view text = detail::Trim(Value);
            if (text.starts_with("0x")) text.remove_prefix(2);
            std::uint64_t flags = 0;
            const auto [end, ec] =
                std::from_chars(text.data(), text.data() + text.size(), flags, 16);
            link.Up = ec == std::errc() && end == text.data() + text.size() &&
                      (flags & (IFF_UP | IFF_RUNNING)) == (IFF_UP | IFF_RUNNING);
        }
        return link;
    }

    // NetInterfaces: the named rows keep a counted type, all others become type 1.
    void ApplyChoice(MIB_IFROW& row, const std::string& name) {
        if (Chosen.empty()) return;
        const bool named = std::find(Chosen.begin(), Chosen.end(), name) != Chosen.end();
        if (!named) {
            row.dwType = IF_TYPE_OTHER;
        } else if (!Counted(row.dwType)) {
            row.dwType = IF_TYPE_ETHERNET_CSMACD;
        }
    }

    // The place of a row in the named order; rows not named come after all named ones.
    std::size_t Rank(const MIB_IFROW& row) const {
        std::string name(reinterpret_cast<const char*>(row.bDescr));
        const auto at = std::find(Chosen.begin(), Chosen.end(), name);
        return static_cast<std::size_t>(at - Chosen.begin());
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
            row.dwType = IfType(Facts(line.Name, static_cast<unsigned>(arphrd)));
            ApplyChoice(row, line.Name);
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
            std::sort(Rows.begin(), Rows.end(), [this](const MIB_IFROW& a, const MIB_IFROW& b) {
                if (!Chosen.empty()) {
                    const std::size_t ra = Rank(a), rb = Rank(b);
                    if (ra != rb) return ra < rb;
                }
                return a.dwIndex < b.dwIndex;
            });
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

void TIfTableSource::SetCountedInterfaces(std::vector<std::string> names) {
    Impl_->Chosen = std::move(names);
}

std::vector<std::string> ParseInterfaceList(std::string_view text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view name = detail::Trim(text.substr(start, end - start));
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
        start = end + 1;
    }
    return names;
}

const std::string& TIfTableSource::LastError() const {
    return Impl_->Error;
}

} // namespace keltrix::platform
