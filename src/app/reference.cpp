#include "app/reference.h"

#include "display/colors.h"
#include "measure/raw_data.h"
#include "tags/formatters.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace keltrix {
namespace {

template <class T> bool Is(const TFormatter& f) {
    return dynamic_cast<const T*>(&f) != nullptr;
}

void Describe(const TFormatter& f, TTagGroup& group) {
    const struct {
        bool Match;
        const char* Heading;
        const char* ClassName;
    } kinds[] = {
        {Is<TMBMFormat>(f), "Sensors", "TMBMFormat"},
        {Is<TUTPFormat>(f), "Uptime, threads and processes", "TUTPFormat"},
        {Is<TPageRAMFormat>(f), "Page file and memory", "TPageRAMFormat"},
        {Is<TProcFormat>(f), "Processor", "TProcFormat"},
        {Is<TNetworkFormat>(f), "Network", "TNetworkFormat"},
        {Is<TNonPerfFormat>(f), "System", "TNonPerfFormat"},
        {Is<TTopProcFormat>(f), "Busiest process", "TTopProcFormat"},
        {Is<TBatteryFormat>(f), "Battery", "TBatteryFormat"},
    };
    for (const auto& k : kinds) {
        if (!k.Match) continue;
        group.Heading = k.Heading;
        group.ClassName = k.ClassName;
        return;
    }
    group.Heading = "Other tags";
}

// The longest run of c in text.
std::size_t LongestRun(const std::string& text, char c) {
    std::size_t longest = 0, run = 0;
    for (char ch : text) {
        run = ch == c ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// CR LF and lone CR as the terminal and Markdown want them.
std::string Lines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// A word that may begin a line of a paragraph: one that cannot be read as the start of a
// heading, list, quote, fence, table or HTML block, which would break a code span in two.
bool SafeLineStart(std::string_view word) {
    if (word.empty()) return false;
    const char c = word.front();
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '(' || c == '"') return true;
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const std::size_t end = word.find_first_not_of("0123456789");
    return end == std::string_view::npos || (word[end] != '.' && word[end] != ')');
}

// A paragraph broken at blanks into lines of at most WrapWidth characters where it can be;
// Markdown joins the lines again with one blank, code spans included.
constexpr std::size_t WrapWidth = 92;
std::string Wrap(const std::string& text) {
    std::string out;
    std::size_t lineStart = 0, lastBreak = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n') {
            lineStart = out.size();
            lastBreak = std::string::npos;
            continue;
        }
        const bool blank = text[i] == ' ' && i > 0 && text[i - 1] != ' ' && i + 1 < text.size() &&
                           text[i + 1] != ' ';
        if (blank) {
            const std::size_t next = text.find(' ', i + 1);
            if (SafeLineStart(std::string_view(text).substr(i + 1, next - i - 1)))
                lastBreak = out.size() - 1;
        }
        if (out.size() - lineStart > WrapWidth && lastBreak != std::string::npos) {
            out[lastBreak] = '\n';
            lineStart = lastBreak + 1;
            lastBreak = std::string::npos;
        }
    }
    return out;
}

// A text held by the program, shown as it stands: one line as a code span, several as a block.
std::string Verbatim(const std::string& text) {
    const std::string lines = Lines(text);
    if (lines.find('\n') == std::string::npos) return Wrap(CodeSpan(lines)) + "\n";
    const std::string fence(std::max<std::size_t>(3, LongestRun(lines, '`') + 1), '`');
    return fence + "text\n" + lines + "\n" + fence + "\n";
}

void Table(std::string& out, const char* left, const char* right,
           const std::vector<TReferenceRow>& rows) {
    out += std::string("| ") + left + " | " + right + " |\n|---|---|\n";
    for (const TReferenceRow& row : rows) {
        std::string key = CodeSpan(row.Key);
        std::string text = row.Text;
        // A bar would end the cell.
        for (std::size_t at = 0; (at = text.find('|', at)) != std::string::npos; at += 2)
            text.insert(at, "\\");
        out += "| " + key + " | " + text + " |\n";
    }
}

} // namespace

std::string CodeSpan(const std::string& text) {
    const std::string ticks(LongestRun(text, '`') + 1, '`');
    const bool pad = !text.empty() && (text.front() == '`' || text.back() == '`');
    return ticks + (pad ? " " : "") + text + (pad ? " " : "") + ticks;
}

std::vector<TTagGroup> TagCatalogue() {
    TRawDataShell record;
    const TFormatterList formatters = CreateFormatters(record);
    std::vector<TTagGroup> groups;
    for (const auto& f : formatters) {
        TTagGroup& group = groups.emplace_back();
        Describe(*f, group);
        for (const auto& entry : f->TagList)
            group.Tags.push_back(
                {entry.Title, entry.Data.Name, entry.Data.Description, entry.Data.DefaultUsage});
    }
    return groups;
}

const std::vector<TReferenceRow>& TagAttributes() {
    static const std::vector<TReferenceRow> rows{
        {"FORMAT=\"text\"", "what to show; its meaning depends on the tag (a processor number, "
                            "a drive and FREE or TOTAL, a date pattern, a file and line, ...)"},
        {"LEADZERO", "a 0 in front of numbers below 10 (processor, network, busiest process)"},
        {"DECIMAL", "two decimals instead of a whole number"},
        {"DIV=n", "divide the value by n first (DIV=1024 turns KB into MB)"},
        {"SIZE=n", "at least n characters wide, padded on the right (on the left when the "
                   "window is aligned right)"},
        {"CHAR=c", "pad with c instead of blanks (with SIZE)"},
    };
    return rows;
}

const std::vector<TReferenceRow>& MarkupCodes() {
    static const std::vector<TReferenceRow> rows{
        {"<B>", "bold on"},
        {"</B>", "bold off"},
        {"<I>", "italic on"},
        {"</I>", "italic off"},
        {"<U>", "underline on"},
        {"</U>", "underline off"},
        {"<C:Red>", "font colour by name, without the cl of the colour table (below)"},
        {"<C:$RRGGBB>", "font colour in hex, red first as on the web ($AARRGGBB: AA is ignored)"},
        {"</C>", "back to the window's font colour"},
        {"<S>", "a grey shadow 2 pixels down and to the right"},
        {"<S:n>", "a shadow n pixels away (negative: up and to the left)"},
        {"</S>", "shadow off"},
        {"<PIXELSTART=n>", "go on drawing n pixels from the line's left edge"},
        {"<RU>", "Cyrillic character set for what follows"},
        {"<EU>", "western character set again"},
        {"<BGC:...>", "accepted and ignored: the background is always the window's"},
        {"<<>", "a < sign"},
    };
    return rows;
}

const std::vector<TReferenceRow>& LinkForms() {
    static const std::vector<TReferenceRow> rows{
        {"<LINK=\"target\">text", "the whole line is a link: a click opens target (a program, "
                                  "a file, a folder or an address)"},
        {"<LINK=\"program\" PARAM=\"arguments\">text",
         "a click starts program with the arguments, in the program's folder"},
        {"<LINK=FILE=\"file,n\">text", "a click opens what line n of file names"},
        {"<NAME=DriveSpace FORMAT=\"D FREE\">",
         "a line with a DriveSpace tag of one drive opens that drive's folder when clicked"},
    };
    return rows;
}

const std::vector<TReferenceRow>& CommandLineSwitches() {
    static const std::vector<TReferenceRow> rows{
        {"-?", "write the network help page to $TMPDIR/vsinftmp.htm, open it and exit"},
        {"-RESET", "delete all stored settings before starting"},
        {"-MULTIPLE", "run even when another instance is running"},
        {"-C", "run beside a running instance, without the single-instance check"},
        {"-c", "client: show the measurements of the server that -i and -p name"},
        {"-iHOST", "client: the server's address or name"},
        {"-pPORT", "client: the server's port (6130)"},
        {"-dPASSWORD", "client: the password of the server's records"},
        {"-h", "start without the tray icon (a second start brings it back)"},
        {"-l", "toggle \"Lock Placement\" at the start"},
        {"-debug", "keep a bug report of each sample, saved as a dump when sampling fails"},
        {"-crash", "with -debug: fail every sample on purpose, to try the bug report"},
        {"-stats", "show the \"Uptime Stats\" menu"},
        {"-noupdate", "no update check at the start"},
        {"-noresmove", "leave the window where it is when the desktop shrinks (or -noresize)"},
        {"-instanceid(NAME)", "NAME as the tray icon's tooltip (or -id(NAME))"},
        {"-advdebug[N]", "keep the advanced log, written to $XDG_DATA_HOME/keltrix/SmartLog.log "
                         "at exit (N: the most entries kept)"},
        {"-noballoon", "no start-up balloon; reports come as message boxes"},
        {"-loadkcfg(FILE)", "load the config set FILE at the end of the start (or -usekcfg)"},
        {"--console[=N]", "no window: print the lines after each refresh (N refreshes, then "
                          "exit); the first shows the last interval, not averages since boot"},
        {"--format=TEXT", "console mode: TEXT as the format string of this run (\\n breaks lines)"},
        {"--json", "console mode for status bars: one JSON object per refresh, with the lines "
                   "joined by blanks (text) and by line breaks (tooltip)"},
        {"--interval=MS", "console mode: refresh every MS milliseconds in this run"},
        {"--headless", "no window, no output: sample everything and serve it"},
        {"--server[=PORT]", "store: serve the measurements over TCP (port 6130)"},
        {"--no-server", "store: do not serve"},
        {"--password=TEXT", "store: the password that enciphers what is served"},
        {"--no-password", "store: serve in clear"},
        {"--web-service[=PORT]", "store: publish over HTTP, SOAP and /metrics (port 61300)"},
        {"--no-web-service", "store: do not publish over HTTP"},
        {"--tags", "print the reference of tags, markup codes and links, and exit"},
        {"--autostart=on|off", "start at login, or no longer "
                               "($XDG_CONFIG_HOME/autostart/keltrix.desktop)"},
        {"--help", "show this text"},
        {"--version", "show the version"},
    };
    return rows;
}

std::string ColourNames() {
    std::string names;
    for (const std::string& ident : ColorIdents()) {
        if (ident == "clNone" || ident == "clDefault") continue;
        names += (names.empty() ? "" : ", ") + ident.substr(2);
    }
    return names;
}

std::string TagReference() {
    std::string out =
        "# Keltrix tags, markup and links\n"
        "\n"
        "A format string is free text, one display line per text line. Tags such as\n" +
        CodeSpan("<NAME=ProcUsage FORMAT=\"ALL\">") +
        " are replaced by live values on every\n"
        "refresh; markup codes change the look of what follows them; a link line opens\n"
        "something when it is clicked. Letter case does not matter in tags and codes.\n"
        "\n"
        "## Tag attributes\n"
        "\n"
        "A tag begins with `<NAME=` and the tag name and ends at the next `>`; between them\n"
        "stand any of these, in any order:\n"
        "\n";
    Table(out, "Attribute", "Effect", TagAttributes());
    out += "\nThe tags follow, group by group, in the order they are applied to a line.\n";
    for (const TTagGroup& group : TagCatalogue()) {
        out += "\n## " + group.Heading;
        if (!group.ClassName.empty()) out += " (" + group.ClassName + ")";
        out += "\n";
        for (const TTagEntry& tag : group.Tags) {
            out += "\n### " + tag.Title + "\n\nTag name: " + CodeSpan(tag.Name) + "\n\n";
            out += Verbatim(tag.Description);
            out += "\n" + Wrap("Default usage: " + CodeSpan(Lines(tag.DefaultUsage))) + "\n";
        }
    }
    out += "\n## Markup codes\n\n";
    Table(out, "Code", "Effect", MarkupCodes());
    out += Wrap("\nColour names: " + ColourNames() +
                ". From ScrollBar on, the names stand for the colours of the desktop's "
                "scheme. A code the window does not know draws nothing.") +
           "\n"
           "\n## Links\n\n";
    Table(out, "Form", "Effect", LinkForms());
    return out;
}

} // namespace keltrix
