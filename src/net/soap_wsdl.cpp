#include "net/soap_wsdl.h"

#include "net/soap_envelope.h"
#include "net/soap_service.h"

namespace keltrix {

std::string KeltrixWsdl(std::string_view serviceRoot) {
    const std::string ns = KeltrixNamespace;
    std::string w;
    w += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    w += "<definitions xmlns=\"http://schemas.xmlsoap.org/wsdl/\" "
         "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" name=\"IKeltrixWSservice\" "
         "targetNamespace=\"http://tempuri.org/\" xmlns:tns=\"http://tempuri.org/\" "
         "xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" "
         "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\" "
         "xmlns:mime=\"http://schemas.xmlsoap.org/wsdl/mime/\" xmlns:ns1=\"";
    w += KeltrixTypesNamespace;
    w += "\">\r\n  <types>\r\n    <xs:schema targetNamespace=\"";
    w += KeltrixTypesNamespace;
    w += "\" xmlns=\"";
    w += KeltrixTypesNamespace;
    w += "\">\r\n      <xs:simpleType name=\"TSubItem\">\r\n"
         "        <xs:restriction base=\"xs:string\">\r\n";
    for (const char* name : SubItemNames)
        w += std::string("          <xs:enumeration value=\"") + name + "\"/>\r\n";
    w += "        </xs:restriction>\r\n      </xs:simpleType>\r\n    </xs:schema>\r\n"
         "  </types>\r\n";
    for (const TSoapOperation& op : KeltrixOperations()) {
        w += std::string("  <message name=\"") + op.Name + "Request\">\r\n";
        for (const TSoapParam& p : op.Params)
            w += std::string("    <part name=\"") + p.Name + "\" type=\"" + p.Type + "\"/>\r\n";
        w += "  </message>\r\n";
        w += std::string("  <message name=\"") + op.Name + "Response\">\r\n";
        w += std::string("    <part name=\"return\" type=\"") + op.ResultType + "\"/>\r\n";
        w += "  </message>\r\n";
    }
    w += "  <portType name=\"IKeltrixWS\">\r\n";
    for (const TSoapOperation& op : KeltrixOperations()) {
        w += std::string("    <operation name=\"") + op.Name + "\">\r\n";
        w += std::string("      <documentation>") + XmlText(op.Documentation) +
             "</documentation>\r\n";
        w += std::string("      <input message=\"tns:") + op.Name + "Request\"/>\r\n";
        w += std::string("      <output message=\"tns:") + op.Name + "Response\"/>\r\n";
        w += "    </operation>\r\n";
    }
    w += "  </portType>\r\n  <binding name=\"IKeltrixWSbinding\" type=\"tns:IKeltrixWS\">\r\n"
         "    <soap:binding style=\"rpc\" transport=\"http://schemas.xmlsoap.org/soap/http\"/>"
         "\r\n";
    const std::string body = "<soap:body use=\"encoded\" encodingStyle=\"" +
                             std::string(SoapEncodingNs) + "\" namespace=\"" + ns + "\"/>";
    for (const TSoapOperation& op : KeltrixOperations()) {
        w += std::string("    <operation name=\"") + op.Name + "\">\r\n";
        w += "      <soap:operation soapAction=\"" + ns + "#" + op.Name + "\" style=\"rpc\"/>\r\n";
        w += "      <input>" + body + "</input>\r\n";
        w += "      <output>" + body + "</output>\r\n";
        w += "    </operation>\r\n";
    }
    w += "  </binding>\r\n  <service name=\"IKeltrixWSservice\">\r\n"
         "    <port name=\"IKeltrixWSPort\" binding=\"tns:IKeltrixWSbinding\">\r\n"
         "      <soap:address location=\"";
    w += XmlText(serviceRoot);
    w += "/soap/IKeltrixWS\"/>\r\n    </port>\r\n  </service>\r\n</definitions>\r\n";
    return w;
}

std::string WsdlListing(std::string_view serviceRoot) {
    const std::string root = XmlText(serviceRoot);
    std::string h = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>Keltrix web "
                    "service</title></head><body>\r\n<h1>Keltrix web service</h1>\r\n"
                    "<table border=\"1\"><tr><th>Port type</th><th>Namespace URI</th>"
                    "<th>Documentation</th><th>WSDL</th></tr>\r\n<tr><td>";
    h += KeltrixInterface;
    h += "</td><td>";
    h += KeltrixNamespace;
    h += "</td><td><ul>";
    for (const TSoapOperation& op : KeltrixOperations())
        h += std::string("<li>") + op.Name + "</li>";
    h += "</ul></td><td><a href=\"" + root + "/wsdl/IKeltrixWS\">" + root +
         "/wsdl/IKeltrixWS</a></td></tr>\r\n</table>\r\n<p>Data document: <a href=\"" + root +
         "/data\">" + root + "/data</a>; metrics: <a href=\"" + root + "/metrics\">" + root +
         "/metrics</a></p>\r\n</body></html>\r\n";
    return h;
}

} // namespace keltrix
