#include "net/soap_envelope.h"

#include "measure/codepage.h"

#include <pugixml.hpp>

#include <cstring>

namespace keltrix {
namespace {

std::string_view LocalName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

std::string_view Prefix(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(name, static_cast<std::size_t>(colon - name))
                 : std::string_view();
}

// The namespace a prefix stands for at node, from the nearest declaration above it.
std::string NamespaceOf(pugi::xml_node node, std::string_view prefix) {
    const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node n = node; n; n = n.parent())
        if (pugi::xml_attribute a = n.attribute(attribute.c_str())) return a.value();
    return {};
}

std::string ElementNamespace(pugi::xml_node node) {
    return NamespaceOf(node, Prefix(node.name()));
}

pugi::xml_node ChildByLocalName(pugi::xml_node parent, std::string_view local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c.name()) == local) return c;
    return {};
}

pugi::xml_attribute AttributeByLocalName(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (LocalName(a.name()) == local && Prefix(a.name()) != "xmlns") return a;
    return {};
}

pugi::xml_node FirstElement(pugi::xml_node parent) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return c;
    return {};
}

// The element an href="#id" points to: anywhere in the Body, by its id attribute.
pugi::xml_node Referenced(pugi::xml_node body, std::string_view id) {
    return body.find_node([id](pugi::xml_node n) {
        const pugi::xml_attribute a = n.attribute("id");
        return n.type() == pugi::node_element && a && id == a.value();
    });
}

std::optional<std::string> ValueOf(pugi::xml_node body, pugi::xml_node element) {
    if (const pugi::xml_attribute href = element.attribute("href")) {
        const std::string_view target = href.value();
        if (target.empty() || target[0] != '#')
            throw ESoapFault("Unsupported reference " + std::string(target));
        element = Referenced(body, target.substr(1));
        if (!element) throw ESoapFault("Reference " + std::string(target) + " not found");
    }
    const pugi::xml_attribute nil = AttributeByLocalName(element, "nil");
    if (nil && (std::strcmp(nil.value(), "true") == 0 || std::strcmp(nil.value(), "1") == 0))
        return std::nullopt;
    std::string text;
    for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) text += c.value();
    return text;
}

} // namespace

TSoapCall ParseSoapRequest(std::string_view body) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed)
        throw ESoapFault(std::string("Malformed XML: ") + parsed.description() + " at offset " +
                         std::to_string(parsed.offset));
    const pugi::xml_node envelope = doc.document_element();
    if (LocalName(envelope.name()) != "Envelope")
        throw ESoapFault("The root element is not a SOAP Envelope");
    if (ElementNamespace(envelope) != SoapEnvelopeNs)
        throw ESoapFault("Unsupported SOAP envelope namespace \"" + ElementNamespace(envelope) +
                         "\"");
    const pugi::xml_node body_ = ChildByLocalName(envelope, "Body");
    if (!body_) throw ESoapFault("The SOAP Envelope has no Body");
    const pugi::xml_node call = FirstElement(body_);
    if (!call) throw ESoapFault("The SOAP Body holds no call");

    TSoapCall result;
    result.Operation = std::string(LocalName(call.name()));
    result.Namespace = ElementNamespace(call);
    for (pugi::xml_node p = call.first_child(); p; p = p.next_sibling())
        if (p.type() == pugi::node_element)
            result.Params.emplace(std::string(LocalName(p.name())), ValueOf(body_, p));
    return result;
}

std::string XmlText(std::string_view raw) {
    const std::string text = FileTextToUtf8(raw);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += '?';
            else
                out += c;
        }
    }
    return out;
}

namespace {

const std::string EnvelopeOpen =
    std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SOAP-ENV:Envelope "
                "xmlns:SOAP-ENV=\"") +
    SoapEnvelopeNs +
    "\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:SOAP-ENC=\"" +
    SoapEncodingNs + "\"><SOAP-ENV:Body";
const std::string EnvelopeClose = "</SOAP-ENV:Body></SOAP-ENV:Envelope>\r\n";

} // namespace

std::string SoapResponse(std::string_view ns, std::string_view operation, std::string_view type,
                         std::string_view value) {
    std::string out = EnvelopeOpen;
    out += " SOAP-ENV:encodingStyle=\"";
    out += SoapEncodingNs;
    out += "\"><NS1:";
    out += operation;
    out += "Response xmlns:NS1=\"";
    out += XmlText(ns);
    out += "\"><return xsi:type=\"";
    out += type;
    out += "\">";
    out += XmlText(value);
    out += "</return></NS1:";
    out += operation;
    out += "Response>";
    out += EnvelopeClose;
    return out;
}

std::string SoapFault(std::string_view message) {
    std::string out = EnvelopeOpen;
    out += "><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>";
    out += XmlText(message);
    out += "</faultstring></SOAP-ENV:Fault>";
    out += EnvelopeClose;
    return out;
}

} // namespace keltrix
