#include "settings/xml_component.h"

#include <algorithm>

namespace keltrix {
namespace {

void Erase(std::vector<TComponent*>& list, const TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

TComponent::TComponent(TComponent* owner, std::string name)
    : Name_(std::move(name)), Owner_(owner) {
    if (Owner_) Owner_->Components_.push_back(this);
}

TComponent::~TComponent() {
    if (Owner_) Erase(Owner_->Components_, this);
    for (TComponent* child : Components_) child->Owner_ = nullptr;
    // A copy: the partners' handlers may change the lists.
    const std::vector<TComponent*> partners = std::move(FreeNotifies_);
    FreeNotifies_.clear();
    for (TComponent* other : partners) {
        Erase(other->FreeNotifies_, this);
        other->Notification(this);
    }
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(FreeNotifies_.begin(), FreeNotifies_.end(), other) == FreeNotifies_.end())
        FreeNotifies_.push_back(other);
    if (std::find(other->FreeNotifies_.begin(), other->FreeNotifies_.end(), this) ==
        other->FreeNotifies_.end())
        other->FreeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Erase(FreeNotifies_, other);
    Erase(other->FreeNotifies_, this);
}

void TComponent::FinishLoading() {
    const std::vector<TComponent*> components = Components_;
    for (TComponent* c : components) c->Loaded();
}

std::string VarToStr(const TXMLVariant& v) {
    struct TVisit {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(std::int32_t n) const { return std::to_string(n); }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
    };
    return std::visit(TVisit{}, v);
}

bool SameVariant(const TXMLVariant& a, const TXMLVariant& b) {
    if (IsEmpty(a) || IsEmpty(b)) return IsEmpty(a) && IsEmpty(b);
    return VarToStr(a) == VarToStr(b);
}

} // namespace keltrix
