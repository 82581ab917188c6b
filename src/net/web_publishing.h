#pragma once
// What the web service and the XML auto-save do for the menu commands and at start-up, apart
// from any window: the window and the headless server share it, each with its own prompts
// and its own timer.

#include "net/web_autosave.h"
#include "net/web_service.h"

#include <functional>
#include <optional>
#include <string>

namespace keltrix {

class TRegistryStore;
struct TServiceSettings;

struct TWebPrompts {
    // A one-line input box; nothing on Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& initial)>
        InputQuery;
    // The save-file dialog "Auto-save file to"; nothing on Cancel.
    std::function<std::optional<std::string>(const std::string& current)> ChooseSaveFile;
};

class TWebPublishing {
public:
    TWebPublishing(TRegistryStore& settings, TWebView& view, THttpLimits limits = {});

    // Start-up: the port, the stored on/off state of the service and of the auto-save. False
    // with the reason when the stored service could not start.
    bool ReadSettings(const TServiceSettings& stored, std::string& error);

    // "Act as Web Service/Server" after the item toggled its check to checked. Returns the
    // check to show; false with error set when listening failed.
    bool ActasWebServiceClick(bool checked, const TWebPrompts& prompts, std::string& error);
    // "AutoSave XML" while the save timer runs (running) or not; returns whether it runs.
    bool AutoSaveXML1Click(bool running, const TWebPrompts& prompts);
    // One save (SoapTimerTimer). Throws EInOutError when the file cannot be written.
    void SoapTimerTimer();

    // "Use this port to connect to the web serveice, e.g: http://localhost:PORT/wsdl/IKeltrixWS"
    std::string PortPrompt() const;

    TWebService Service;
    TAutoSaveState AutoSave;

private:
    TRegistryStore& Settings_;
};

} // namespace keltrix
