#pragma once
// Typed settings values, each one child element of an XML source's root: defaults, limits, a
// validation hook, and the bound controls they refresh when they change.

#include "base/errors.h"
#include "settings/xml_component.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

KELTRIX_ERROR_CLASS(EXMLValueNoOwner, EKeltrixError);
KELTRIX_ERROR_CLASS(EXMLValueNoValSource, EKeltrixError);
KELTRIX_ERROR_CLASS(EXMLValueViolation, EKeltrixError);

class TXMLValSource;
class TXMLValue;

// A control that shows a value. {FB4ACE36-3082-462C-922D-9E140B3916F6}
class IXMLLinkedControl {
public:
    static constexpr const char* IID = "{FB4ACE36-3082-462C-922D-9E140B3916F6}";
    // Shows the value's current state.
    virtual void XMLRefresh() = 0;

protected:
    ~IXMLLinkedControl() = default;
};

// A control's end of its XMLLink: registered with the value while set, dropped by whichever
// of the two goes first.
class TXMLControlLink {
public:
    explicit TXMLControlLink(IXMLLinkedControl& control) : Control_(control) {}
    ~TXMLControlLink() { Set(nullptr); }
    TXMLControlLink(const TXMLControlLink&) = delete;
    TXMLControlLink& operator=(const TXMLControlLink&) = delete;

    TXMLValue* Get() const noexcept { return Value_; }
    // Stores the link, registers the control with the value and refreshes it.
    void Set(TXMLValue* value);

private:
    friend class TXMLValue;
    IXMLLinkedControl& Control_;
    TXMLValue* Value_ = nullptr;
};

// A component told when the document of its source was loaded again.
class TXMLNotifiableComponent : public TComponent {
public:
    using TComponent::TComponent;
    virtual void XMLChanged() = 0;
};

// handler(Sender, NodeName, RawValue, var ReplaceValue, var Valid)
using TXMLValueValidationEvent =
    std::function<void(TComponent* sender, const std::string& nodeName, const TXMLVariant& rawValue,
                       TXMLVariant& replaceValue, bool& valid)>;

class TXMLValue : public TXMLNotifiableComponent {
public:
    TXMLValue(TComponent* owner, std::string name);
    ~TXMLValue() override;

    // Where the value lives; found on the owner when not set.
    TXMLValSource* ValSource() const noexcept { return ValSource_; }
    void SetValSource(TXMLValSource* source);
    // The element's name; the component's name when empty.
    const std::string& NodeName() const noexcept { return NodeName_; }
    void SetNodeName(std::string name) { NodeName_ = std::move(name); }
    const std::string& ElementName() const noexcept;

    TXMLValueValidationEvent OnValidate;
    TNotifyEvent OnChange;

    TXMLVariant ReadRaw();
    void WriteRaw(const TXMLVariant& value);

    // Changed-notification: notifies when the value read now is not the last one written.
    void XMLChanged() override;
    virtual void SetAsText(const std::string& text) = 0;
    virtual std::string GetAsText() = 0;

protected:
    void Loaded() override;
    void Notification(TComponent* gone) override;
    // The source, found as the owner's components allow; throws EXMLValueNoOwner or
    // EXMLValueNoValSource when there is none.
    TXMLValSource& FindSource();
    // Refreshes every bound control, then OnChange.
    void Notify();

private:
    friend class TXMLControlLink;
    void Use(TXMLValSource* source);

    TXMLValSource* ValSource_ = nullptr;
    std::string NodeName_;
    std::vector<TXMLControlLink*> Controls_;
    TXMLVariant LastWritten_;
};

class TXMLValueStr : public TXMLValue {
public:
    using TXMLValue::TXMLValue;

    std::string Default;
    // In characters (UTF-8 sequences); 0 = no limit.
    std::int32_t MaxStrLength = 0;
    std::int32_t MinStrLength = 0;
    bool RaiseMinMaxException = true;

    std::string GetAsText() override;
    void SetAsText(const std::string& text) override;

private:
    // The limits applied to text: corrected, or EXMLValueViolation.
    std::string Limit(std::string text) const;
};

class TXMLValueInt : public TXMLValue {
public:
    using TXMLValue::TXMLValue;

    std::int32_t Default = 0;
    // 0 = no limit.
    std::int32_t MaxInt = 0;
    std::int32_t MinInt = 0;
    bool RaiseMinMaxException = true;

    // Never fails: Default for no number or one outside the limits.
    std::int32_t GetAsInteger();
    void SetAsInteger(std::int32_t value);
    std::string GetAsText() override;
    void SetAsText(const std::string& text) override;
};

class TXMLValueBool : public TXMLValue {
public:
    using TXMLValue::TXMLValue;

    // Kept only: an element without text reads false whatever this says.
    bool Default = false;

    bool GetAsBoolean();
    void SetAsBoolean(bool value);
    std::string GetAsText() override;
    // Throws EConvertError for a text that is no boolean.
    void SetAsText(const std::string& text) override;
};

// The platform's text-to-boolean conversion: numbers (non-zero is true), "True" and "False"
// in any letter case; EConvertError otherwise.
bool StrToBool(const std::string& text);
// Whole number of the text without surrounding blanks; nothing when it is none.
std::optional<std::int32_t> XMLTextToInt(const std::string& text);

} // namespace keltrix
