#include "settings/xml_data_module.h"

namespace keltrix {
namespace {

void Limits(TXMLValueInt& value, std::int32_t def, std::int32_t min, std::int32_t max) {
    value.Default = def;
    value.MinInt = min;
    value.MaxInt = max;
}

} // namespace

TdmXML::TdmXML(TXMLErrorEvent onError, TXMLPostEvent post, const std::string& fileName)
    : TComponent(nullptr, "dmXML") {
    XMLValSourceFile.OnError = std::move(onError);
    XMLValSourceFile.Post = std::move(post);
    XMLValSourceFile.SetFileName(fileName);
    XMLValSourceFile.SetCheckForXMLChanges(false);

    for (TComponent* c : Components()) {
        if (auto* value = dynamic_cast<TXMLValue*>(c)) value->SetValSource(&XMLValSourceFile);
        if (auto* text = dynamic_cast<TXMLValueStr*>(c)) text->RaiseMinMaxException = false;
        if (auto* number = dynamic_cast<TXMLValueInt*>(c)) number->RaiseMinMaxException = false;
    }
    Limits(TransLucLevel, 0, 0, 255);
    Limits(IconSet, 0, 0, 4);
    Limits(ScrollLockFlashInterval, 1000, 100, 60000);
    Limits(UptimesInterval, 60000, 100, 3600000);
    Limits(SaveXMLInterval, 5000, 100, 600000);
    Limits(WSPort, 61300, 1, 65535);
    SaveXMLFileName.Default = "savexml.xml";
    BGColor.OnChange = [this](TComponent* sender) { BGColorChange(sender); };
    BGFileName.OnChange = [this](TComponent* sender) { BGFileNameChange(sender); };

    FinishLoading();
}

TdmXML::~TdmXML() = default;

void TdmXML::BGFileNameChange(TComponent*) {
    if (BGFileName.GetAsBoolean() && BGColor.GetAsBoolean()) BGColor.SetAsBoolean(false);
}

void TdmXML::BGColorChange(TComponent*) {
    if (BGFileName.GetAsBoolean() && BGColor.GetAsBoolean()) BGFileName.SetAsBoolean(false);
}

} // namespace keltrix
