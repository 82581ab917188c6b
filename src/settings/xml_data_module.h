#pragma once
// The settings data module: a second, XML-based set of settings in "config.xml" of the current
// folder, loaded (or created) at start-up and saved again at exit. Its only behaviour of its
// own keeps the two background flags exclusive.

#include "settings/xml_val_source.h"
#include "settings/xml_value.h"

#include <string>

namespace keltrix {

class TdmXML : public TComponent {
public:
    static constexpr const char* FileName = "config.xml";

    // hooks: where failures to read or write the file go (they are never thrown from here),
    // and how the file watcher would reach the user-interface thread.
    TdmXML(TXMLErrorEvent onError, TXMLPostEvent post, const std::string& fileName = FileName);
    ~TdmXML() override;

    TXMLValSourceFile XMLValSourceFile{this, "XMLValSourceFile"};
    // In the order in which they notify after loading.
    TXMLValueBool AlwaysOnTop{this, "AlwaysOnTop"};
    TXMLValueBool ShowDragHandle{this, "ShowDragHandle"};
    TXMLValueBool LockedForm{this, "LockedForm"};
    TXMLValueBool Translucent{this, "Translucent"};
    TXMLValueBool Transparent{this, "Transparent"};
    TXMLValueBool BGFileName{this, "BGFileName"};
    TXMLValueBool BGColor{this, "BGColor"};
    TXMLValueBool PinToDesktop{this, "PinToDesktop"};
    TXMLValueBool ScrollLockFlash{this, "ScrollLockFlash"};
    TXMLValueBool ActServer{this, "ActServer"};
    TXMLValueBool SaveXML{this, "SaveXML"};
    TXMLValueBool ActWS{this, "ActWS"};
    TXMLValueBool ActUptimes{this, "ActUptimes"};
    TXMLValueInt TransLucLevel{this, "TransLucLevel"};
    TXMLValueStr BGFileNameVal{this, "BGFileNameVal"};
    TXMLValueInt IconSet{this, "IconSet"};
    TXMLValueStr CustIconNormal{this, "CustIconNormal"};
    TXMLValueStr CustIconNormalDisc{this, "CustIconNormalDisc"};
    TXMLValueStr CustIconClient{this, "CustIconClient"};
    TXMLValueStr CustIconClientDisc{this, "CustIconClientDisc"};
    TXMLValueInt ScrollLockFlashInterval{this, "ScrollLockFlashInterval"};
    TXMLValueInt UptimesInterval{this, "UptimesInterval"};
    TXMLValueInt SaveXMLInterval{this, "SaveXMLInterval"};
    TXMLValueInt WSPort{this, "WSPort"};
    TXMLValueStr SaveXMLFileName{this, "SaveXMLFileName"};
    TXMLValueStr MainData{this, "MainData"};

    void BGColorChange(TComponent* sender);
    void BGFileNameChange(TComponent* sender);
};

} // namespace keltrix
