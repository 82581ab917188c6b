#include "net/data_document.h"

#include "measure/codepage.h"

#include <pugixml.hpp>

#include <sstream>

namespace keltrix {

std::string EscapeDocumentText(std::string_view utf8) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    const std::string bytes = Utf8ToAnsi(utf8);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        // The blank would be escaped and at once restored: it never changes.
        if (b == '*' || b == '#' || b == '%' || b == '<' || b == '>' || b >= 128) {
            out += '%';
            out += Hex[b >> 4];
            out += Hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string ElementNameOfTitle(std::string_view title) {
    std::string name(title);
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

namespace {

struct TStringWriter : pugi::xml_writer {
    std::string Text;
    void write(const void* data, std::size_t size) override {
        Text.append(static_cast<const char*>(data), size);
    }
};

} // namespace

std::string BuildDataDocument(const std::vector<std::pair<std::string, std::string>>& raw,
                              const std::vector<std::string>& formatted) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child("Keltrix");
    pugi::xml_node rawNode = root.append_child("Raw");
    for (const auto& [name, value] : raw) {
        pugi::xml_node child = rawNode.child(name.c_str());
        if (!child) child = rawNode.append_child(name.c_str());
        child.text().set(EscapeDocumentText(value).c_str());
    }
    pugi::xml_node lines = root.append_child("Formatted");
    for (std::size_t i = 0; i < formatted.size(); ++i) {
        const std::string name = "Item_" + std::to_string(i);
        lines.append_child(name.c_str()).text().set(EscapeDocumentText(formatted[i]).c_str());
    }
    TStringWriter writer;
    doc.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    return std::move(writer.Text);
}

} // namespace keltrix
