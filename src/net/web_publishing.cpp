#include "net/web_publishing.h"

#include "base/smartlog.h"
#include "display/layout_text.h"
#include "settings/registry_store.h"
#include "settings/service_settings.h"

namespace keltrix {

TWebPublishing::TWebPublishing(TRegistryStore& settings, TWebView& view, THttpLimits limits)
    : Service(view, limits), Settings_(settings) {}

bool TWebPublishing::ReadSettings(const TServiceSettings& stored, std::string& error) {
    Service.SetPort(stored.WebServicePort);
    AutoSave.FileName = stored.AutoSaveName;
    AutoSave.Interval = stored.AutoSaveInterval;
    AutoSave.Running = stored.AutoSave;
    return !stored.WebService || Service.Start(error);
}

std::string TWebPublishing::PortPrompt() const {
    return "Use this port to connect to the web serveice, e.g: http://localhost:" +
           std::to_string(Service.Port()) + "/wsdl/IKeltrixWS";
}

bool TWebPublishing::ActasWebServiceClick(bool checked, const TWebPrompts& prompts,
                                          std::string& error) {
    LogAdd("ActAsWebServiceClick");
    if (checked) {
        const auto answer =
            prompts.InputQuery("Web Service Port", PortPrompt(), std::to_string(Service.Port()));
        if (answer) {
            Service.Stop();
            const std::int32_t port = StrToIntDef(*answer, Service.Port());
            // Port 0 would take any free port, which no client could guess.
            if (port >= 1 && port <= 65535) Service.SetPort(port);
            Settings_.WriteInteger("WebServicePort", Service.Port());
        } else {
            checked = false;
        }
    }
    Settings_.WriteBool("WebService", checked);
    if (!checked) {
        Service.Stop();
        return false;
    }
    // The stored wish stands; the item shows what is true now.
    return Service.Listening() || Service.Start(error);
}

bool TWebPublishing::AutoSaveXML1Click(bool running, const TWebPrompts& prompts) {
    LogAdd("AutoSaveXML1click");
    if (running) {
        running = false;
    } else if (const auto file = prompts.ChooseSaveFile(AutoSave.FileName)) {
        AutoSave.FileName = *file;
        const auto text = prompts.InputQuery("Update Interval", "Interval in milliseconds",
                                             std::to_string(AutoSave.Interval));
        const auto interval = text ? ParseAutoSaveInterval(*text) : std::nullopt;
        if (interval) {
            AutoSave.Interval = *interval;
            running = true;
            Settings_.WriteString("AutoSaveName", AutoSave.FileName);
            Settings_.WriteInteger("AutoSaveInterval", AutoSave.Interval);
        }
    }
    AutoSave.Running = running;
    Settings_.WriteBool("AutoSave", running);
    return running;
}

void TWebPublishing::SoapTimerTimer() {
    LogAdd("SoapTimerTimer");
    SaveDocumentFile(AutoSave.FileName, Service.DataDocument());
}

} // namespace keltrix
