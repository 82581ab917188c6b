#include "settings/xml_value.h"

#include "platform/ascii.h"
#include "settings/xml_val_source.h"
#include "tags/number_format.h"

#include <algorithm>

namespace keltrix {
namespace {

// Characters of UTF-8 text: bytes that do not continue a sequence.
std::size_t CharCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first count characters, never cutting a sequence.
std::string FirstChars(const std::string& text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (seen++ == count) return text.substr(0, i);
    }
    return text;
}

std::string TrimXMLBlanks(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    auto begin = std::find_if_not(text.begin(), text.end(), blank);
    auto end = std::find_if_not(text.rbegin(), std::make_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

} // namespace

std::optional<std::int32_t> XMLTextToInt(const std::string& text) {
    return ParseWholeNumber(TrimXMLBlanks(text));
}

bool StrToBool(const std::string& text) {
    if (SameTextAscii(text, "True")) return true;
    if (SameTextAscii(text, "False")) return false;
    if (const auto n = ParseWholeNumber(text)) return *n != 0;
    throw EConvertError("'" + text + "' is not a valid boolean value");
}

// --- TXMLControlLink

void TXMLControlLink::Set(TXMLValue* value) {
    if (Value_) {
        auto& list = Value_->Controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    Value_ = value;
    if (!Value_) return;
    Value_->Controls_.push_back(this);
    Control_.XMLRefresh();
}

// --- TXMLValue

TXMLValue::TXMLValue(TComponent* owner, std::string name)
    : TXMLNotifiableComponent(owner, std::move(name)) {}

TXMLValue::~TXMLValue() {
    for (TXMLControlLink* link : Controls_) link->Value_ = nullptr;
}

const std::string& TXMLValue::ElementName() const noexcept {
    return NodeName_.empty() ? Name() : NodeName_;
}

void TXMLValue::SetValSource(TXMLValSource* source) {
    if (ValSource_) RemoveFreeNotification(ValSource_);
    ValSource_ = nullptr;
    if (source) Use(source);
}

void TXMLValue::Use(TXMLValSource* source) {
    ValSource_ = source;
    FreeNotification(source);
    source->Register(this);
}

void TXMLValue::Notification(TComponent* gone) {
    if (gone == ValSource_) ValSource_ = nullptr;
}

TXMLValSource& TXMLValue::FindSource() {
    if (ValSource_) return *ValSource_;
    if (!Owner())
        throw EXMLValueNoOwner("The component " + Name() +
                               " has no owner, and no XMLValSource was specified; unable to "
                               "access XML data.");
    for (TComponent* c : Owner()->Components()) {
        if (auto* file = dynamic_cast<TXMLValSourceFile*>(c)) {
            Use(file);
            break;
        }
        if (auto* path = dynamic_cast<TXMLValSourcePathMod*>(c); path && !ValSource_) Use(path);
    }
    if (!ValSource_)
        throw EXMLValueNoValSource("The component " + Name() +
                                   " has no TXMLValSource components available to it nor its "
                                   "owner component, " +
                                   Owner()->Name());
    return *ValSource_;
}

TXMLVariant TXMLValue::ReadRaw() {
    TXMLVariant raw = FindSource().ReadValue(ElementName());
    if (!OnValidate) return raw;
    TXMLVariant replace = raw;
    bool valid = true;
    OnValidate(this, ElementName(), raw, replace, valid);
    return valid ? replace : raw;
}

void TXMLValue::WriteRaw(const TXMLVariant& value) {
    TXMLVariant toWrite = value;
    if (OnValidate) {
        bool valid = true;
        OnValidate(this, ElementName(), value, toWrite, valid);
        if (!valid) return;
    }
    FindSource().WriteValue(ElementName(), toWrite);
    LastWritten_ = toWrite;
    Notify();
}

void TXMLValue::Notify() {
    const std::vector<TXMLControlLink*> controls = Controls_;
    for (TXMLControlLink* link : controls)
        if (std::find(Controls_.begin(), Controls_.end(), link) != Controls_.end())
            link->Control_.XMLRefresh();
    if (OnChange) OnChange(this);
}

void TXMLValue::XMLChanged() {
    if (!SameVariant(ReadRaw(), LastWritten_)) Notify();
}

void TXMLValue::Loaded() {
    FindSource();
    Notify();
}

// --- TXMLValueStr

std::string TXMLValueStr::Limit(std::string text) const {
    if (MaxStrLength != 0 && CharCount(text) > static_cast<std::size_t>(MaxStrLength)) {
        if (RaiseMinMaxException)
            throw EXMLValueViolation("The String value " + text +
                                     " is too long; the Maximum length is " +
                                     std::to_string(MaxStrLength));
        text = FirstChars(text, static_cast<std::size_t>(MaxStrLength));
    }
    if (MinStrLength != 0 && CharCount(text) < static_cast<std::size_t>(MinStrLength)) {
        if (RaiseMinMaxException)
            throw EXMLValueViolation("The String value " + text +
                                     " is too short; the Minimum length is " +
                                     std::to_string(MinStrLength));
        text = Default;
    }
    return text;
}

std::string TXMLValueStr::GetAsText() {
    const TXMLVariant raw = ReadRaw();
    return Limit(IsEmpty(raw) ? Default : VarToStr(raw));
}

void TXMLValueStr::SetAsText(const std::string& text) {
    WriteRaw(Limit(text));
}

// --- TXMLValueInt

std::int32_t TXMLValueInt::GetAsInteger() {
    const std::optional<std::int32_t> n = XMLTextToInt(VarToStr(ReadRaw()));
    if (!n) return Default;
    if (MinInt != 0 && *n < MinInt) return Default;
    if (MaxInt != 0 && *n > MaxInt) return Default;
    return *n;
}

void TXMLValueInt::SetAsInteger(std::int32_t value) {
    if (MinInt != 0 && value < MinInt) {
        if (RaiseMinMaxException)
            throw EXMLValueViolation("The Integer value " + std::to_string(value) +
                                     " has violated the Minimum Int restriction of " +
                                     std::to_string(MinInt));
        return;
    }
    if (MaxInt != 0 && value > MaxInt) {
        if (RaiseMinMaxException)
            throw EXMLValueViolation("The Integer value " + std::to_string(value) +
                                     " has violated the Maximum Int restriction of " +
                                     std::to_string(MaxInt));
        return;
    }
    WriteRaw(value);
}

std::string TXMLValueInt::GetAsText() {
    return std::to_string(GetAsInteger());
}

void TXMLValueInt::SetAsText(const std::string& text) {
    SetAsInteger(XMLTextToInt(text).value_or(Default));
}

// --- TXMLValueBool

bool TXMLValueBool::GetAsBoolean() {
    const TXMLVariant raw = ReadRaw();
    if (const auto* n = std::get_if<std::int32_t>(&raw)) return *n == 1;
    if (const auto* b = std::get_if<bool>(&raw)) return *b;
    if (const auto* s = std::get_if<std::string>(&raw)) {
        const std::string upper = UpperAscii(*s);
        return upper == "TRUE" || upper == "T" || upper == "YES" || upper == "Y";
    }
    return false;
}

void TXMLValueBool::SetAsBoolean(bool value) {
    WriteRaw(value);
}

std::string TXMLValueBool::GetAsText() {
    return GetAsBoolean() ? "True" : "False";
}

void TXMLValueBool::SetAsText(const std::string& text) {
    SetAsBoolean(StrToBool(text));
}

} // namespace keltrix
