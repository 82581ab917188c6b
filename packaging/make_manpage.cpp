// Builds keltrix.1 from its template and the program's own reference: the switches, the tag
// attributes, every tag as the formatters hold it, the markup codes and the link forms.
//   make_manpage TEMPLATE OUTPUT
#include "app/reference.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace keltrix {
namespace {

// Text for a filled roff paragraph: backslashes and minus signs as roff wants them, line
// breaks as given, and no line that roff would take for a request.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += '\n';
            lineStart = true;
            continue;
        }
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        lineStart = c == '\n';
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string Rows(const std::vector<TReferenceRow>& rows) {
    std::string out;
    for (const TReferenceRow& row : rows)
        out += ".TP\n.B " + Roff(row.Key) + "\n" + Roff(row.Text) + "\n";
    return out;
}

std::string Tags() {
    std::string out;
    for (const TTagGroup& group : TagCatalogue()) {
        out += ".SS " + Roff(group.Heading) +
               (group.ClassName.empty() ? "" : " (" + group.ClassName + ")") + "\n";
        for (const TTagEntry& tag : group.Tags) {
            out += ".TP\n.B " + Roff(tag.Title) + "\nTag name \\fB" + Roff(tag.Name) + "\\fR.\n";
            // Each line of the help text a filled line of its own.
            std::string description = Roff(tag.Description);
            for (std::size_t at = 0; (at = description.find('\n', at)) != std::string::npos;
                 at += 5)
                description.replace(at, 1, "\n.br\n");
            out += ".br\n" + description + "\n";
            out += ".br\nDefault usage: \\fB" + Roff(tag.DefaultUsage) + "\\fR\n";
        }
    }
    return out;
}

void Replace(std::string& text, const std::string& marker, const std::string& with) {
    for (std::size_t at = 0; (at = text.find(marker, at)) != std::string::npos; at += with.size())
        text.replace(at, marker.size(), with);
}

} // namespace
} // namespace keltrix

int main(int argc, char** argv) {
    using namespace keltrix;
    if (argc != 3) {
        std::cerr << "usage: make_manpage TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "make_manpage: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string page = buffer.str();
    const std::pair<const char*, std::string> parts[] = {
        {"options", Rows(CommandLineSwitches())},
        {"attributes", Rows(TagAttributes())},
        {"tags", Tags()},
        {"markup", Rows(MarkupCodes())},
        {"links", Rows(LinkForms())},
        {"colours", Roff(ColourNames()) + ".\n"},
    };
    for (const auto& [name, text] : parts) {
        const std::string marker = std::string(".\\\" insert: ") + name + "\n";
        if (page.find(marker) == std::string::npos) {
            std::cerr << "make_manpage: the template has no line \"" << marker << "\"\n";
            return 1;
        }
        Replace(page, marker, text);
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << page;
    if (!out.flush()) {
        std::cerr << "make_manpage: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
