#include "net/soap_service.h"

#include "measure/codepage.h"
#include "measure/date_time.h"
#include "measure/memory_scale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace keltrix {
namespace {

constexpr const char* MemoryNote = "Bytes; counts above 4294967295 are given as 4294967295.";

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

const std::string& Param(const TSoapCall& call, const char* name) {
    const auto it = call.Params.find(name);
    if (it == call.Params.end()) throw ESoapFault(std::string("Parameter ") + name + " is missing");
    if (!it->second) throw ESoapFault(std::string("Parameter ") + name + " is nil");
    return *it->second;
}

std::int8_t DecodeByte(const TSoapCall& call, const char* name) {
    const std::string text = Trimmed(Param(call, name));
    int value = 0;
    const char* begin = text.data() + (text.size() > 1 && text[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < -128 ||
        value > 127)
        throw ESoapFault("'" + text + "' is not a valid value of type byte for " + name);
    return static_cast<std::int8_t>(value);
}

// The enumeration's names, or its ordinal as a number (other ordinals answer 0).
int DecodeSubItem(const TSoapCall& call) {
    const std::string text = Trimmed(Param(call, "SubItem"));
    for (int i = 0; i < 3; ++i)
        if (text == SubItemNames[i]) return i;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw ESoapFault("'" + text + "' is not a valid value of type TSubItem");
    return value;
}

char DecodeChar(const TSoapCall& call, const char* name) {
    const std::string ansi = Utf8ToAnsi(Param(call, name));
    return ansi.empty() ? '\0' : ansi[0];
}

float Slot(const float (&values)[5], std::int8_t selection) {
    return selection >= 0 && selection <= 4 ? values[selection] : 0.0f;
}

std::uint32_t Capped(std::uint64_t bytes) {
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(bytes);
}

std::uint32_t Memory(const TRawData& d, int subItem, TMemoryField freeField,
                     TMemoryField totalField) {
    const std::uint64_t free = MemoryBytes(d, freeField);
    const std::uint64_t total = MemoryBytes(d, totalField);
    switch (subItem) {
    case 0:
        return Capped(free);
    case 1:
        return Capped(total);
    case 2:
        return Capped(total >= free ? total - free : 0);
    default:
        return 0;
    }
}

float DriveSpace(const TRawData& d, char letter, int subItem) {
    for (int i = 1; i <= 16; ++i) {
        const TDriveEntry& drive = d.Drives[i];
        if (drive.Letter != letter) continue;
        switch (subItem) {
        case 0:
            return drive.FreeMB;
        case 1:
            return drive.TotalMB;
        case 2:
            return drive.TotalMB - drive.FreeMB;
        default:
            return 0.0f;
        }
    }
    return 0.0f;
}

} // namespace

const std::vector<TSoapOperation>& KeltrixOperations() {
    static const std::vector<TSoapOperation> operations = {
        {"GetFormattedItem",
         {{"FormatString", "xs:string"}},
         "xs:string",
         "The text with the tags of every formatter in use rendered; other tags stay as they "
         "are. FileData renders only the files the display itself shows."},
        {"GetVersion", {}, "xs:unsignedByte", "The record's marker byte, 234."},
        {"GetDriveSpace",
         {{"Selection", "xs:string"}, {"SubItem", "ns1:TSubItem"}},
         "xs:float",
         "Drive space in MB of the registered drive with this upper-case letter; 0 otherwise."},
        {"GetProcUsage",
         {{"Selection", "xs:byte"}},
         "xs:float",
         "Processor usage in percent: 0 the whole machine, 1 to 4 the processors."},
        {"GetNetRead", {{"Selection", "xs:byte"}}, "xs:float", "KB per second received."},
        {"GetNetReadSum", {{"Selection", "xs:byte"}}, "xs:float", "KB received."},
        {"GetNetWrite", {{"Selection", "xs:byte"}}, "xs:float", "KB per second sent."},
        {"GetNetWriteSum", {{"Selection", "xs:byte"}}, "xs:float", "KB sent."},
        {"GetPage", {{"SubItem", "ns1:TSubItem"}}, "xs:unsignedInt", MemoryNote},
        {"GetRAM", {{"SubItem", "ns1:TSubItem"}}, "xs:unsignedInt", MemoryNote},
        {"GetThreads", {}, "xs:short", "Threads in the system."},
        {"GetProcesses", {}, "xs:short", "Processes in the system."},
        {"GetDateTime", {}, "xs:dateTime", "Local date and time of the sample, without a zone."},
        {"GetUptime", {}, "xs:long", "Seconds since the system started."},
        {"GetCompName", {}, "xs:string", "Computer name."},
        {"GetUser", {}, "xs:string", "Logged-on user."},
    };
    return operations;
}

std::string XsdFloat(float value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string XsdDateTime(double dateTime) {
    TDateTimeParts p = DecodeDateTime(dateTime);
    if (!p.Valid) p = DecodeDateTime(0.0);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.Year, p.Month,
                  p.Day, p.Hour, p.Minute, p.Second, p.Millisecond);
    return buffer;
}

std::string InvokeKeltrixWS(const TSoapCall& call, const TWebSnapshot& snapshot,
                            TWebModule& module) {
    const TRawData& d = snapshot.Record;
    const std::string& op = call.Operation;
    std::string type;
    std::string value;
    if (op == "GetFormattedItem") {
        type = "xsd:string";
        try {
            value = module.RenderFormatted(Param(call, "FormatString"));
        } catch (const ESoapFault&) {
            throw;
        } catch (const std::exception& e) {
            throw ESoapFault(e.what());
        }
    } else if (op == "GetVersion") {
        type = "xsd:unsignedByte";
        value = std::to_string(d.Marker);
    } else if (op == "GetDriveSpace") {
        type = "xsd:float";
        const char letter = DecodeChar(call, "Selection");
        value = XsdFloat(DriveSpace(d, letter, DecodeSubItem(call)));
    } else if (op == "GetProcUsage" || op == "GetNetRead" || op == "GetNetReadSum" ||
               op == "GetNetWrite" || op == "GetNetWriteSum") {
        type = "xsd:float";
        const std::int8_t s = DecodeByte(call, "Selection");
        const float(&field)[5] = op == "GetProcUsage"    ? d.ProcUsage
                                 : op == "GetNetRead"    ? d.NetRead
                                 : op == "GetNetReadSum" ? d.NetReadSum
                                 : op == "GetNetWrite"   ? d.NetWrite
                                                         : d.NetWriteSum;
        value = XsdFloat(Slot(field, s));
    } else if (op == "GetPage") {
        type = "xsd:unsignedInt";
        value = std::to_string(
            Memory(d, DecodeSubItem(call), TMemoryField::PageFree, TMemoryField::PageTotal));
    } else if (op == "GetRAM") {
        type = "xsd:unsignedInt";
        value = std::to_string(
            Memory(d, DecodeSubItem(call), TMemoryField::RAMFree, TMemoryField::RAMTotal));
    } else if (op == "GetThreads") {
        type = "xsd:short";
        value = std::to_string(d.Threads);
    } else if (op == "GetProcesses") {
        type = "xsd:short";
        value = std::to_string(d.Processes);
    } else if (op == "GetDateTime") {
        type = "xsd:dateTime";
        value = XsdDateTime(d.DateTime);
    } else if (op == "GetUptime") {
        type = "xsd:long";
        value = std::to_string(d.Uptime);
    } else if (op == "GetCompName") {
        type = "xsd:string";
        value = d.CompName.Get();
    } else if (op == "GetUser") {
        type = "xsd:string";
        value = d.UserName.Get();
    } else {
        throw ESoapFault("No method named '" + op + "' is supported by interface '" +
                         KeltrixInterface + "'");
    }
    return SoapResponse(KeltrixNamespace, op, type, value);
}

} // namespace keltrix
