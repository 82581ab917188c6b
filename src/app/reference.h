#pragma once
// The reference a user reads: the tags as the formatters hold them, the tag attributes, the
// markup codes, the link forms and the command line. `--tags` prints it, docs/TAGS.md and the
// manual page are made from it, so none of them can drift from the program.

#include <string>
#include <vector>

namespace keltrix {

struct TTagEntry {
    std::string Title;
    std::string Name; // as the formatter holds it: upper-cased
    std::string Description;
    std::string DefaultUsage;
};

struct TTagGroup {
    std::string Heading;   // what the formatter's tags are about
    std::string ClassName; // the formatter class
    std::vector<TTagEntry> Tags;
};

// Every formatter in its fixed order, each with its tags in registration order.
std::vector<TTagGroup> TagCatalogue();

// One line of a reference table: a code, switch or form, and what it does.
struct TReferenceRow {
    std::string Key;
    std::string Text;
};

const std::vector<TReferenceRow>& TagAttributes();
const std::vector<TReferenceRow>& MarkupCodes();
const std::vector<TReferenceRow>& LinkForms();
// Every switch and long option, one line each, in the order --help shows them.
const std::vector<TReferenceRow>& CommandLineSwitches();

// The colour names that <C:name> takes, without their cl, joined by commas.
std::string ColourNames();

// The whole reference in Markdown that reads as plain text on a terminal.
std::string TagReference();

// Text as a Markdown code span, whatever backticks it holds.
std::string CodeSpan(const std::string& text);

} // namespace keltrix
