#pragma once
// The interface description: the WSDL 1.1 document of IKeltrixWS and the HTML listing.

#include <string>
#include <string_view>

namespace keltrix {

// serviceRoot: scheme, host and port as the request addressed them ("http://host:61300").
std::string KeltrixWsdl(std::string_view serviceRoot);
std::string WsdlListing(std::string_view serviceRoot);

} // namespace keltrix
