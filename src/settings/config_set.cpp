#include "settings/config_set.h"

#include "base/errors.h"
#include "display/layout_text.h"
#include "measure/codepage.h"
#include "platform/file_store.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "settings/registry_store.h"
#include "tags/formatter.h"
#include "tags/number_format.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <set>
#include <system_error>

namespace keltrix {
namespace {

constexpr std::string_view CrLf = "\r\n";
constexpr std::string_view Marker = "FORMATSTRING";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

const char* YesNo(bool value) {
    return value ? "YES" : "NO";
}

void NoLineBreak(const std::string& key, const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos)
        throw EInOutError("The " + key +
                          " value holds a line break, which a config set cannot hold");
}

class TLineReader {
public:
    TLineReader(std::size_t number, std::string_view key, std::string_view value)
        : Where_("line " + std::to_string(number) + ": " + std::string(key) + "="), Value_(value) {}

    std::int32_t Integer() const {
        const auto number = ParseWholeNumber(Value_);
        if (!number)
            throw EConvertError(Where_ + "'" + std::string(Value_) +
                                "' is not a valid integer value");
        return *number;
    }
    std::int32_t Integer(std::int32_t low, std::int32_t high) const {
        const std::int32_t number = Integer();
        if (number < low || number > high)
            throw ERangeError(Where_ + std::string(Value_) + " is out of range (" +
                              std::to_string(low) + ".." + std::to_string(high) + ")");
        return number;
    }
    bool YesNo() const { return AsciiUpper(Value_) == "YES"; }
    std::string Text() const { return std::string(Value_); }

private:
    std::string Where_;
    std::string_view Value_;
};

void ReadKey(TConfigSet& set, std::string_view key, const TLineReader& value) {
    if (key == "FONTNAME")
        set.FontName = value.Text();
    else if (key == "FONTCOLOR")
        set.FontColor = value.Integer();
    else if (key == "FONTSIZE")
        set.FontSize =
            value.Integer(std::numeric_limits<std::int32_t>::min(), MaxConfigSetFontSize);
    else if (key == "FONTPITCH")
        set.FontPitch = value.Integer();
    else if (key == "ALIGN")
        set.Align = value.Integer();
    else if (key == "BGCOLOR")
        set.BGColor = value.Integer();
    else if (key == "X")
        set.X = value.Integer();
    else if (key == "Y")
        set.Y = value.Integer();
    else if (key == "BGFILENAME")
        set.BGFileName = value.Text();
    else if (key == "USEFILENAMEASBACKGROUND")
        set.UseFileNameAsBackground = value.YesNo();
    else if (key == "AOT")
        set.AOT = value.YesNo();
    else if (key == "PINTODESKTOP")
        set.PinToDesktop = value.YesNo();
    else if (key == "TRANS")
        set.Trans = value.YesNo();
    else if (key == "ALPHA" || key == "APLHA") // the misspelling of old files
        set.Alpha = static_cast<std::uint8_t>(value.Integer(0, 255));
}

std::string ReadStringOr(TRegistryStore& settings, const char* name, const std::string& fallback) {
    if (!settings.ValueExists(name)) settings.WriteString(name, fallback);
    return settings.ReadString(name);
}

std::int32_t ReadIntegerOr(TRegistryStore& settings, const char* name, std::int32_t fallback) {
    if (!settings.ValueExists(name)) settings.WriteInteger(name, fallback);
    return settings.ReadInteger(name);
}

bool ReadBoolOr(TRegistryStore& settings, const char* name, bool fallback) {
    if (!settings.ValueExists(name)) settings.WriteBool(name, fallback);
    return settings.ReadBool(name);
}

bool SameTextLess(const std::string& a, const std::string& b) {
    const std::string ua = AsciiUpper(a), ub = AsciiUpper(b);
    return ua != ub ? ua < ub : a < b;
}

bool HasConfigExtension(const std::string& name) {
    constexpr std::string_view Extension = ".KCFG";
    return name.size() > Extension.size() &&
           AsciiUpper(name).compare(name.size() - Extension.size(), Extension.size(), Extension) ==
               0;
}

} // namespace

std::string PackConfigSet(const TConfigSet& set) {
    NoLineBreak("FONTNAME", set.FontName);
    NoLineBreak("BGFILENAME", set.BGFileName.value_or(""));
    std::string text;
    const auto line = [&](std::string_view key, const std::string& value) {
        text.append(key).append("=").append(value).append(CrLf);
    };
    line("FONTNAME", set.FontName);
    line("FONTCOLOR", std::to_string(set.FontColor));
    line("FONTSIZE", std::to_string(set.FontSize));
    line("FONTPITCH", std::to_string(set.FontPitch));
    line("FONTSTYLE", "RESERVED");
    line("ALIGN", std::to_string(set.Align));
    line("USEFILENAMEASBACKGROUND", YesNo(set.UseFileNameAsBackground.value_or(false)));
    line("BGFILENAME", set.BGFileName.value_or(""));
    line("BGCOLOR", std::to_string(set.BGColor.value_or(16777215)));
    line("AOT", YesNo(set.AOT.value_or(false)));
    line("ALPHA", std::to_string(set.Alpha.value_or(255)));
    line("PINTODESKTOP", YesNo(set.PinToDesktop.value_or(false)));
    line("TRANS", YesNo(set.Trans.value_or(false)));
    line("X", std::to_string(set.X));
    line("Y", std::to_string(set.Y));
    text.append(Marker).append(CrLf);
    text.append(set.FormatString).append(CrLf);
    // Windows-1252 unless a character has no place there, or its bytes would read back as
    // other UTF-8 text ("\xC3\xA9" is both "Ã©" and "é"): UTF-8 keeps those as they are.
    std::string ansi = Utf8ToAnsi(text);
    if (AnsiToUtf8(ansi) != text || (ansi != text && IsValidUtf8(ansi))) return text;
    return ansi;
}

TConfigSetFile ParseConfigSet(std::string_view bytes) {
    if (bytes.starts_with(Utf8Bom)) bytes.remove_prefix(Utf8Bom.size());
    const std::string text = FileTextToUtf8(bytes);
    // CR LF, LF or a lone CR end a line, as ReadLn takes them.
    const std::vector<std::string> lines = SplitFormatLines(text);
    TConfigSetFile file;
    std::size_t next = 0;
    bool marker = false;
    while (next < lines.size() && !marker) {
        const std::string_view line = lines[next++];
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && equals > 0)
            ReadKey(file.Set, line.substr(0, equals),
                    TLineReader(next, line.substr(0, equals), line.substr(equals + 1)));
        marker = AsciiUpper(line) == Marker;
    }
    if (next == lines.size()) return file; // no marker, or nothing after it
    file.HasFormatString = true;
    for (std::size_t i = next; i < lines.size(); ++i) {
        if (i > next) file.Set.FormatString += CrLf;
        file.Set.FormatString += lines[i];
    }
    return file;
}

TConfigSetFile ReadConfigSetFile(const std::string& path) {
    std::string bytes, error;
    if (!platform::ReadTextFile(path, bytes, &error)) throw EInOutError("Cannot open " + error);
    if (bytes.size() > MaxConfigSetFileSize)
        throw EInOutError(path + " is not a config set: it is larger than 1 MB");
    try {
        return ParseConfigSet(bytes);
    } catch (const EConvertError& e) {
        throw EConvertError(path + ", " + e.what());
    } catch (const ERangeError& e) {
        throw ERangeError(path + ", " + e.what());
    }
}

void WriteConfigSetFile(const std::string& path, const TConfigSet& set) {
    const std::string bytes = PackConfigSet(set);
    try {
        platform::ReplaceFileAtomically(path, bytes);
    } catch (const std::system_error& e) {
        throw EInOutError(e.what());
    }
}

TConfigSet StoredConfigSet(TRegistryStore& settings) {
    TConfigSet set;
    set.FontName = ReadStringOr(settings, "FontName", "MS Sans Serif");
    set.FontColor = ReadIntegerOr(settings, "FontColor", 32768);
    set.FontSize = ReadIntegerOr(settings, "FontSize", 8);
    set.FontPitch = ReadIntegerOr(settings, "FontPitch", 0);
    set.UseFileNameAsBackground = ReadBoolOr(settings, "UseFileNameAsBackground", false);
    set.BGFileName = ReadStringOr(settings, "BGFileName", "");
    set.BGColor = ReadIntegerOr(settings, "BGColor", 16777215);
    set.AOT = ReadBoolOr(settings, "AOT", false);
    // A value outside 0..255 (edited by hand) would make the file unreadable.
    set.Alpha =
        static_cast<std::uint8_t>(std::clamp(ReadIntegerOr(settings, "Alpha", 255), 0, 255));
    set.Align = ReadIntegerOr(settings, "Align", 0);
    set.PinToDesktop = ReadBoolOr(settings, "PinToDesktop", false);
    set.Trans = ReadBoolOr(settings, "Trans", false);
    set.X = settings.ValueExists("X") ? settings.ReadInteger("X") : -1;
    set.Y = settings.ValueExists("Y") ? settings.ReadInteger("Y") : -1;
    set.FormatString =
        settings.ValueExists("FormatString") ? settings.ReadString("FormatString") : std::string();
    return set;
}

std::vector<TConfigSetEntry> ListConfigSets(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::vector<TConfigSetEntry> entries;
    std::set<std::string> captions;
    for (const std::string& folder : folders) {
        std::vector<TConfigSetEntry> found;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            std::error_code kind;
            if (!HasConfigExtension(name) || !it->is_regular_file(kind)) continue;
            found.push_back({name.substr(0, name.size() - 5), it->path().string()});
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return SameTextLess(a.Caption, b.Caption); });
        std::vector<std::string> added;
        for (auto& entry : found) {
            if (captions.count(AsciiUpper(entry.Caption))) continue;
            added.push_back(AsciiUpper(entry.Caption));
            entries.push_back(std::move(entry));
        }
        captions.insert(added.begin(), added.end());
    }
    return entries;
}

std::vector<std::string> ConfigSetFolders() {
    if (platform::InstalledProgram())
        return {platform::DataDir() + "/configs", platform::ShippedDir() + "/configs"};
    std::vector<std::string> folders{platform::WritableProgramDir() + "/configs"};
    if (const std::string own = platform::ProgramDir() + "/configs"; own != folders.front())
        folders.push_back(own);
    return folders;
}

} // namespace keltrix
