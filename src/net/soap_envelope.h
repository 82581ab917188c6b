#pragma once
// SOAP 1.1 messages of an RPC-style, SOAP-encoded service: the call read from a request body,
// the answer and the fault written back.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace keltrix {

inline constexpr const char* SoapEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* SoapEncodingNs = "http://schemas.xmlsoap.org/soap/encoding/";

// Answered as a SOAP fault with faultcode SOAP-ENV:Server and the text as faultstring.
class ESoapFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TSoapCall {
    std::string Operation; // local name of the Body's first element
    std::string Namespace; // its namespace, resolved through the xmlns declarations
    // Parameters by local name; nullopt for xsi:nil. Multi-referenced values (href="#id")
    // are resolved.
    std::map<std::string, std::optional<std::string>> Params;
};

// Throws ESoapFault for anything that is not a SOAP 1.1 envelope with a call in its Body.
TSoapCall ParseSoapRequest(std::string_view body);

// The answer element operation + "Response" in namespace ns with the child "return" of the
// given XML Schema type ("xsd:float") and value (plain text, escaped here).
std::string SoapResponse(std::string_view ns, std::string_view operation, std::string_view type,
                         std::string_view value);
std::string SoapFault(std::string_view message);

// Text for an XML element or attribute: markup characters escaped, control characters that
// XML cannot carry replaced by '?', bytes that are not UTF-8 read as Windows-1252.
std::string XmlText(std::string_view text);

} // namespace keltrix
