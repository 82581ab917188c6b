#pragma once
// The interface IKeltrixWS: its sixteen read-only operations, their parameters and XML
// Schema types, and the invocation of one call on a snapshot of the monitor.

#include "net/soap_envelope.h"
#include "net/web_module.h"

#include <string>
#include <vector>

namespace keltrix {

inline constexpr const char* KeltrixInterface = "IKeltrixWS";
inline constexpr const char* KeltrixNamespace = "urn:KeltrixIntf-IKeltrixWS";
inline constexpr const char* KeltrixTypesNamespace = "urn:KeltrixIntf";
inline constexpr const char* KeltrixGuid = "{63074A9B-8007-4ABE-8826-D47BA5EFC78A}";

struct TSoapParam {
    const char* Name;
    const char* Type; // "xs:string", "xs:byte", "ns1:TSubItem"
};

struct TSoapOperation {
    const char* Name;
    std::vector<TSoapParam> Params;
    const char* ResultType; // "xs:float" ...
    const char* Documentation;
};

// In the interface's order.
const std::vector<TSoapOperation>& KeltrixOperations();

// TSubItem: siFree, siTotal, siUsed (0 to 2).
inline constexpr const char* SubItemNames[] = {"siFree", "siTotal", "siUsed"};

// The answer envelope of one call. module is loaded with the snapshot already. Throws
// ESoapFault for an unknown operation or a parameter that cannot be decoded.
std::string InvokeKeltrixWS(const TSoapCall& call, const TWebSnapshot& snapshot,
                            TWebModule& module);

// xsd:float text of a value (shortest exact form; NaN, INF, -INF).
std::string XsdFloat(float value);
// xsd:dateTime of the record's DateTime, local time without a zone.
std::string XsdDateTime(double dateTime);

} // namespace keltrix
