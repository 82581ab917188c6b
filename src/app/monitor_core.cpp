#include "app/monitor_core.h"

#include "base/smartlog.h"
#include "display/layout_text.h"
#include "measure/sampling_cycle.h"
#include "platform/paths.h"
#include "platform/system_info.h"
#include "settings/default_format.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <sys/stat.h>

namespace keltrix {
namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string ProcessorType(int level) {
    if (level == 1) return "IA64";
    // Built in place: g++ 12 at -O3 warns falsely about the obvious string concatenation.
    if (level >= 3 && level <= 6) return std::string{'i', static_cast<char>('0' + level), '8', '6'};
    return "UNK?";
}

TMonitorCore::TMonitorCore(TRegistryStore& settings) : Settings(settings) {}

void TMonitorCore::OpenSettingsAndSwitches(const std::vector<std::string>& args) {
    OpenAndMigrateSettings(Settings);
    std::string parameterLine;
    const bool haveLine = Settings.ValueExists("ParameterLine");
    if (haveLine) parameterLine = Settings.ReadString("ParameterLine");
    Switches = ParseStartupSwitches(args, haveLine ? &parameterLine : nullptr, FileExists);
    StartupErrors = Switches.Errors;
    platform::MakeDirs(platform::WritableProgramDir() + "/dll");
}

void TMonitorCore::OpenClientKey() {
    if (!Switches.ClientMode) return;
    Settings.CloseKey();
    Settings.OpenKey(ClientSettingsKey(Switches.ClientHost, Switches.ClientPort), true);
}

void TMonitorCore::ReadUptimeFormatAndExclusions() {
    if (Settings.ValueExists("UTstr")) UptimeFormat = Settings.ReadString("UTstr");
    if (Settings.ValueExists("Exclude")) Exclude = Settings.ReadString("Exclude");
}

void TMonitorCore::CreateRecordAndFormatters() {
    RawData = std::make_unique<TRawDataShell>();
    std::uint16_t level = 0;
    const bool known = platform::GetProcessorLevel(level).Ok();
    RawData->Data().ProcType.Set(ProcessorType(known ? level : 0));
    Formatters = CreateFormatters(*RawData);
}

void TMonitorCore::ReadFormatString() {
    if (Settings.ValueExists("FormatString")) {
        FormatString = Settings.ReadString("FormatString");
    } else {
        FormatString = DefaultFormatString(Formatters);
        // One of another type stays for the user to mend; it was reported.
        if (!Settings.ValueStored("FormatString"))
            Settings.WriteString("FormatString", FormatString);
    }
}

void TMonitorCore::UseTextFormat(const std::optional<std::string>& format) {
    if (format) {
        FormatString = *format;
    } else {
        ReadFormatString();
    }
    for (auto& f : Formatters) f->DecideIfActive(FormatString);
    for (auto& f : Formatters) f->Alignment = 0;
}

int TMonitorCore::ReadInterval() {
    if (Settings.ValueExists("Interval")) return Settings.ReadInteger("Interval");
    return Switches.ClientMode ? 2000 : 1000;
}

void TMonitorCore::ApplyNetInterfaces(TSamplingCycle& cycle) const {
    if (Settings.ValueExists("NetInterfaces"))
        cycle.SetNetInterfaces(Settings.ReadString("NetInterfaces"));
}

std::vector<std::string> TMonitorCore::FormatLines() const {
    return SplitFormatLines(FormatString);
}

std::vector<std::string>
TMonitorCore::RenderLines(const std::function<void(const std::exception&)>& onError) {
    const std::vector<std::string> format = FormatLines();
    std::vector<std::string> lines(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        try {
            lines[i] = RenderLine(format[i]);
        } catch (const std::exception& e) {
            if (i < LastLines.size()) lines[i] = LastLines[i];
            onError(e);
        }
    }
    LastLines = lines;
    return lines;
}

std::string TMonitorCore::RenderLine(const std::string& line) const {
    std::string text = line;
    for (const auto& f : Formatters) text = f->ApplyTags(std::move(text));
    return text;
}

} // namespace keltrix
