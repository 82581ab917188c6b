#include "settings/registry_file.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cstdio>

namespace keltrix {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
// Same syntax; the files regedit writes under this header are UTF-16, which is refused below.
constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";
constexpr std::size_t kHexLineWidth = 80;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Reads up to maxDigits hex digits at pos; false when there is none.
bool ReadHexNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits,
                   std::uint32_t& value) {
    std::size_t digits = 0;
    value = 0;
    while (pos < s.size() && digits < maxDigits && HexDigit(s[pos]) >= 0) {
        value = (value << 4) | static_cast<std::uint32_t>(HexDigit(s[pos]));
        ++pos;
        ++digits;
    }
    return digits > 0;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (;;) {
        const std::size_t special = text.find_first_of("\\\"\r\n\t");
        out.append(text.substr(0, special));
        if (special == std::string_view::npos) break;
        switch (text[special]) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += "\\t";
            break;
        }
        text.remove_prefix(special + 1);
    }
    out += '"';
}

void AppendHexLine(std::string& out, std::size_t lineStart,
                   const std::vector<std::uint8_t>& bytes) {
    static const char* const digits = "0123456789abcdef";
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
            ++column;
            // Wrapped as regedit does, so that no line grows past the width with its "\".
            if (column + 3 > kHexLineWidth - 1) {
                out += "\\\n  ";
                column = 2;
            }
        }
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0f];
        column += 2;
    }
}

class TParser {
public:
    TParser(std::string_view text, const std::string& fileName)
        : Text_(text), FileName_(fileName) {}

    TRegistryFile Run() {
        if (Text_.substr(0, 3) == "\xEF\xBB\xBF") {
            Pos_ = 3;
        } else if (Text_.substr(0, 2) == "\xFF\xFE" || Text_.substr(0, 2) == "\xFE\xFF") {
            Line_ = 1;
            Error("the file is UTF-16 text; only UTF-8 is read");
        }
        bool header = false;
        std::string_view raw;
        while (NextLine(raw)) {
            const std::string_view line = Trim(raw);
            if (line.empty()) continue;
            if (!header) {
                if (line != kHeader && line != kHeaderV5)
                    Error("the first line must be \"" + std::string(kHeader) + "\"");
                header = true;
            } else if (line.front() == ';') {
                continue;
            } else if (line.front() == '[') {
                KeyLine(line);
            } else if (line.front() == '"' || line.front() == '@') {
                ValueLine(line);
            } else {
                Error("expected a [key] line, a \"name\"=value line or a ; comment");
            }
        }
        return std::move(File_);
    }

private:
    bool NextLine(std::string_view& line) {
        if (Pos_ >= Text_.size()) return false;
        const std::size_t end = Text_.find('\n', Pos_);
        if (end == std::string_view::npos) {
            line = Text_.substr(Pos_);
            Pos_ = Text_.size();
        } else {
            line = Text_.substr(Pos_, end - Pos_);
            Pos_ = end + 1;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++Line_;
        return true;
    }

    [[noreturn]] void Error(const std::string& reason) const {
        throw ERegistryFileError(FileName_, Line_, reason);
    }

    void KeyLine(std::string_view line) {
        if (line.size() < 2 || line.back() != ']')
            Error("missing \"]\" at the end of the key line");
        const std::string_view path = line.substr(1, line.size() - 2);
        if (!path.empty() && path.front() == '-')
            Error("removing a key with [-...] is not supported");
        if (!TRegistryFile::IsValidKeyPath(path))
            Error("invalid key path (empty key name or control character)");
        Current_ = &File_.CreateKey(path);
    }

    void ValueLine(std::string_view line) {
        if (Current_ == nullptr) Error("a value before the first [key] line");
        TRegValue value;
        std::size_t pos = 0;
        if (line.front() == '@')
            pos = 1;
        else
            value.Name = Quoted(line, pos);
        SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '=') Error("\"=\" expected after the value name");
        ++pos;
        SkipBlanks(line, pos);
        const std::string_view data = line.substr(pos);
        if (!data.empty() && data.front() == '"') {
            value.Type = TRegDataType::String;
            value.Text = Quoted(line, pos);
            ExpectLineEnd(line, pos);
        } else if (StartsWithNoCase(data, "dword:")) {
            pos += 6;
            value.Type = TRegDataType::Integer;
            if (!ReadHexNumber(line, pos, 8, value.Number))
                Error("dword: must be followed by up to 8 hex digits");
            ExpectLineEnd(line, pos);
        } else if (StartsWithNoCase(data, "hex:")) {
            value.Type = TRegDataType::Binary;
            HexBytes(line.substr(pos + 4), value.Bytes);
        } else if (StartsWithNoCase(data, "hex(")) {
            pos += 4;
            std::uint32_t type = 0;
            if (!ReadHexNumber(line, pos, 8, type) || line.substr(pos, 2) != "):")
                Error("hex( must be followed by a hex type number and \"):\"");
            value.Type = type == 3 ? TRegDataType::Binary : TRegDataType::Other;
            value.OtherType = type == 3 ? 0 : type;
            HexBytes(line.substr(pos + 2), value.Bytes);
        } else if (data == "-") {
            Error("removing a value with =- is not supported");
        } else {
            Error("unknown value type (expected \"text\", dword: or hex:)");
        }
        Current_->Set(std::move(value));
    }

    static void SkipBlanks(std::string_view line, std::size_t& pos) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
    }

    void ExpectLineEnd(std::string_view line, std::size_t pos) const {
        SkipBlanks(line, pos);
        if (pos != line.size()) Error("unexpected text after the value");
    }

    // A quoted text at pos (which holds the opening quote); pos ends after the closing quote.
    std::string Quoted(std::string_view line, std::size_t& pos) const {
        std::string text;
        for (++pos;;) {
            const std::size_t special = line.find_first_of("\\\"", pos);
            if (special == std::string_view::npos) break;
            text.append(line.substr(pos, special - pos));
            pos = special + 1;
            if (line[special] == '"') return text;
            if (pos >= line.size()) break;
            switch (line[pos++]) {
            case '\\':
                text += '\\';
                break;
            case '"':
                text += '"';
                break;
            case 'r':
                text += '\r';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            default:
                Error(std::string("unknown escape \"\\") + line[pos - 1] +
                      "\" (known: \\\\ \\\" \\r \\n \\t)");
            }
        }
        Error("missing closing quote");
    }

    // Comma-separated bytes; a line ending in "\" goes on in the next line.
    void HexBytes(std::string_view part, std::vector<std::uint8_t>& bytes) {
        bool needByte = false; // after a comma
        for (;;) {
            std::size_t pos = 0;
            SkipBlanks(part, pos);
            bool continued = false;
            while (pos < part.size()) {
                if (part[pos] == '\\' && (bytes.empty() || needByte)) {
                    ++pos;
                    SkipBlanks(part, pos);
                    if (pos != part.size()) Error("unexpected text after \"\\\"");
                    continued = true;
                    break;
                }
                if (!bytes.empty() && !needByte) {
                    if (part[pos] != ',') Error("\",\" expected between hex bytes");
                    needByte = true;
                    ++pos;
                } else {
                    std::uint32_t byte = 0;
                    if (!ReadHexNumber(part, pos, 2, byte)) Error("hex byte expected");
                    bytes.push_back(static_cast<std::uint8_t>(byte));
                    needByte = false;
                }
                SkipBlanks(part, pos);
            }
            if (!continued) break;
            if (!NextLine(part)) Error("the hex value goes on past the end of the file");
        }
        if (needByte) Error("hex byte expected after the last \",\"");
    }

    std::string_view Text_;
    const std::string& FileName_;
    std::size_t Pos_ = 0;
    int Line_ = 0;
    TRegistryFile File_;
    TRegKey* Current_ = nullptr; // stays valid: keys are only added by key lines
};

} // namespace

ERegistryFileError::ERegistryFileError(const std::string& fileName, int line,
                                       const std::string& reason)
    : ERegistryException((fileName.empty() ? std::string() : fileName + ", ") + "line " +
                         std::to_string(line) + ": " + reason),
      FileName_(fileName), Line_(line), Reason_(reason) {}

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

const TRegValue* TRegKey::Find(std::string_view name) const {
    const auto it = Index_.find(FoldCase(name));
    return it == Index_.end() ? nullptr : &Values_[it->second];
}

bool TRegKey::Set(TRegValue value) {
    std::string folded = FoldCase(value.Name);
    const auto it = Index_.find(folded);
    if (it == Index_.end()) {
        Index_.emplace(std::move(folded), Values_.size());
        Values_.push_back(std::move(value));
        return true;
    }
    TRegValue& existing = Values_[it->second];
    value.Name = existing.Name;
    if (existing == value) return false;
    existing = std::move(value);
    return true;
}

bool TRegKey::Remove(std::string_view name) {
    const auto it = Index_.find(FoldCase(name));
    if (it == Index_.end()) return false;
    const std::size_t place = it->second;
    Index_.erase(it);
    Values_.erase(Values_.begin() + static_cast<std::ptrdiff_t>(place));
    for (auto& entry : Index_)
        if (entry.second > place) --entry.second;
    return true;
}

TRegistryFile TRegistryFile::Parse(std::string_view text, const std::string& fileName) {
    return TParser(text, fileName).Run();
}

std::string TRegistryFile::Write() const {
    std::string out;
    out += kHeader;
    out += "\n\n";
    for (const TRegKey& key : Keys_) {
        out += '[';
        out += key.Path();
        out += "]\n";
        for (const TRegValue& value : key.Values()) {
            const std::size_t lineStart = out.size();
            if (value.Name.empty())
                out += '@';
            else
                AppendQuoted(out, value.Name);
            out += '=';
            switch (value.Type) {
            case TRegDataType::String:
                AppendQuoted(out, value.Text);
                break;
            case TRegDataType::Integer: {
                char number[16];
                std::snprintf(number, sizeof number, "dword:%08x", value.Number);
                out += number;
                break;
            }
            case TRegDataType::Binary:
                out += "hex:";
                AppendHexLine(out, lineStart, value.Bytes);
                break;
            case TRegDataType::Other: {
                char prefix[24];
                std::snprintf(prefix, sizeof prefix, "hex(%x):", value.OtherType);
                out += prefix;
                AppendHexLine(out, lineStart, value.Bytes);
                break;
            }
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

bool TRegistryFile::IsValidKeyPath(std::string_view path) {
    // A leading "-" would read back as the removal form "[-...]".
    if (path.empty() || path.front() == '-') return false;
    bool emptyName = true;
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (c == '\\') {
            if (emptyName) return false;
            emptyName = true;
        } else {
            emptyName = false;
        }
    }
    return !emptyName;
}

const TRegKey* TRegistryFile::FindKey(std::string_view path) const {
    const auto it = Index_.find(FoldCase(path));
    return it == Index_.end() ? nullptr : &Keys_[it->second];
}

TRegKey* TRegistryFile::FindKey(std::string_view path) {
    const auto it = Index_.find(FoldCase(path));
    return it == Index_.end() ? nullptr : &Keys_[it->second];
}

TRegKey& TRegistryFile::CreateKey(std::string_view path) {
    if (!IsValidKeyPath(path))
        throw ERegistryException("Invalid registry key path '" + std::string(path) + "'");
    if (TRegKey* key = FindKey(path)) return *key;
    Index_.emplace(FoldCase(path), Keys_.size());
    return Keys_.emplace_back(std::string(path));
}

bool TRegistryFile::KeyExists(std::string_view path) const {
    if (FindKey(path) != nullptr) return true;
    const std::string prefix = FoldCase(path) + '\\';
    return std::any_of(Keys_.begin(), Keys_.end(), [&](const TRegKey& key) {
        return FoldCase(key.Path()).starts_with(prefix);
    });
}

bool TRegistryFile::DeleteKey(std::string_view path) {
    const std::string folded = FoldCase(path);
    const std::string prefix = folded + '\\';
    const auto gone = std::remove_if(Keys_.begin(), Keys_.end(), [&](const TRegKey& key) {
        const std::string name = FoldCase(key.Path());
        return name == folded || name.starts_with(prefix);
    });
    if (gone == Keys_.end()) return false;
    Keys_.erase(gone, Keys_.end());
    Index_.clear();
    for (std::size_t i = 0; i < Keys_.size(); ++i) Index_.emplace(FoldCase(Keys_[i].Path()), i);
    return true;
}

std::vector<std::string> TRegistryFile::SubKeyNames(std::string_view path) const {
    const std::string prefix = FoldCase(path) + '\\';
    std::vector<std::string> names;
    std::vector<std::string> seen; // folded
    for (const TRegKey& key : Keys_) {
        if (!FoldCase(key.Path()).starts_with(prefix)) continue;
        const std::string_view rest = std::string_view(key.Path()).substr(prefix.size());
        const std::string name(rest.substr(0, rest.find('\\')));
        std::string folded = FoldCase(name);
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) continue;
        seen.push_back(std::move(folded));
        names.push_back(name);
    }
    return names;
}

} // namespace keltrix
