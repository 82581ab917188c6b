// The reference's parts as the program holds them, for the checks of what --tags, docs/TAGS.md
// and the manual page show: records of fields, each field ended by a NUL byte and each record
// by a second one. Kinds: tag (heading, title, name, description, default usage), attribute,
// markup, link and switch (key, text).
#include "app/reference.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

void Record(const std::vector<std::string>& fields) {
    for (const std::string& f : fields) std::cout << f << '\0';
    std::cout << '\0';
}

void Rows(const char* kind, const std::vector<keltrix::TReferenceRow>& rows) {
    for (const auto& row : rows) Record({kind, row.Key, row.Text});
}

} // namespace

int main() {
    for (const auto& group : keltrix::TagCatalogue())
        for (const auto& tag : group.Tags)
            Record({"tag", group.Heading, tag.Title, tag.Name, tag.Description, tag.DefaultUsage});
    Rows("attribute", keltrix::TagAttributes());
    Rows("markup", keltrix::MarkupCodes());
    Rows("link", keltrix::LinkForms());
    Rows("switch", keltrix::CommandLineSwitches());
    return std::cout.flush() ? 0 : 1;
}
