#pragma once
// The component model the XML-bound settings live in: named components on an owner, found by
// scanning the owner's list in order, told when a component they refer to goes away, and a
// loaded step once the owner has been built. An owner does not free its components; each
// leaves its owner's list when it is destroyed.

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace keltrix {

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr, std::string name = {});
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const noexcept { return Name_; }
    void SetName(std::string name) { Name_ = std::move(name); }
    TComponent* Owner() const noexcept { return Owner_; }
    // In creation order.
    const std::vector<TComponent*>& Components() const noexcept { return Components_; }

    // Both sides are told (Notification) when the other one is destroyed.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // The owner has been built: runs Loaded of every component it owns, in order.
    void FinishLoading();

protected:
    virtual void Loaded() {}
    virtual void Notification(TComponent* /*gone*/) {}

private:
    std::string Name_;
    TComponent* Owner_;
    std::vector<TComponent*> Components_;
    std::vector<TComponent*> FreeNotifies_;
};

using TNotifyEvent = std::function<void(TComponent* sender)>;

// A value as it travels between value components, validation hooks and the document: no value
// (a missing element or empty text), a text, a 32-bit integer or a boolean.
using TXMLVariant = std::variant<std::monostate, std::string, std::int32_t, bool>;

inline bool IsEmpty(const TXMLVariant& v) noexcept {
    return std::holds_alternative<std::monostate>(v);
}
// The document's text of a value: decimal integers, "True" or "False", "" for no value.
std::string VarToStr(const TXMLVariant& v);
// The same when both are no value, or when their texts are the same.
bool SameVariant(const TXMLVariant& a, const TXMLVariant& b);

} // namespace keltrix
