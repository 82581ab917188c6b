#include "settings/config_sets.h"

#include "base/errors.h"
#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "display/window_place.h"
#include "settings/registry_store.h"
#include "settings/vistrand_options.h"

#include <QAction>
#include <QMenu>

namespace keltrix {
namespace {

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

// Menu captions take "&" as the access key: a file name shows as it is written.
QString MenuCaption(const std::string& text) {
    return QString::fromStdString(text).replace('&', QStringLiteral("&&"));
}

// Suspends sampling until the end of the scope, also when a step fails.
class TSuspended {
public:
    explicit TSuspended(const TConfigSetsHost& host) : Host_(host) {
        if (Host_.Suspend) Host_.Suspend();
    }
    ~TSuspended() {
        if (Host_.Resume) Host_.Resume();
    }
    TSuspended(const TSuspended&) = delete;
    TSuspended& operator=(const TSuspended&) = delete;

private:
    const TConfigSetsHost& Host_;
};

} // namespace

std::string DescribeConfigSetReport(const std::string& path, const TConfigSetReport& report) {
    if (report.Failed.empty()) return {};
    std::string text =
        "The config set " + path + " was applied only in part.\r\n\r\nNot applied:\r\n";
    for (const std::string& failure : report.Failed) text += "  " + failure + "\r\n";
    std::vector<std::string> applied = report.Applied;
    applied.emplace_back("the format string");
    return text + "\r\nApplied: " + Join(applied, ", ") + ".";
}

TConfigSets::TConfigSets(TConfigSetsHost host, QObject* parent)
    : QObject(parent), Host_(std::move(host)) {}

TConfigSets::~TConfigSets() = default;

void TConfigSets::PackSettingFile(const std::string& path) {
    LogAdd("PackSettingsFile (" + path + ")");
    TRegistryStore& settings = *Host_.Settings;
    const QPoint place = Host_.Layout->Place().Position();
    settings.WriteInteger("X", place.x());
    settings.WriteInteger("Y", place.y());
    WriteConfigSetFile(path, StoredConfigSet(settings));
}

void TConfigSets::LoadSettingFile(const std::string& path, std::string& text) {
    LogAdd("LoadSettingFile (" + path + ")");
    const TConfigSetFile file = ReadConfigSetFile(path);
    // Applying a file without its format string would leave the display's lines to chance.
    if (!file.HasFormatString)
        throw EConvertError(path + " is not a config set: it has no format string after a "
                                   "FORMATSTRING line. Nothing of it was applied.");
    const TConfigSetReport report = WriteConfigSetToReg(file.Set);
    text = file.Set.FormatString;
    if (const std::string message = DescribeConfigSetReport(path, report);
        !message.empty() && Host_.ShowMessage)
        Host_.ShowMessage(message);
}

TConfigSetReport TConfigSets::WriteConfigSetToReg(const TConfigSet& set) {
    LogAdd("WriteConfigSetToReg");
    TRegistryStore& settings = *Host_.Settings;
    TWindowBehaviour& window = *Host_.Window;
    TConfigSetReport report;
    // Each part on its own: one that fails leaves the others applied, and says so.
    const auto part = [&](const char* name, const auto& body) {
        try {
            if (const std::string failure = body(); !failure.empty())
                report.Failed.push_back(std::string(name) + ": " + failure);
            else
                report.Applied.emplace_back(name);
        } catch (const std::exception& e) {
            report.Failed.push_back(std::string(name) + ": " + e.what());
        }
    };
    const bool picture = set.UseFileNameAsBackground.value_or(false);
    // The font is checked against the set's own background, not the one it replaces.
    if (picture)
        window.SetWindowColor(clWhite);
    else if (set.BGColor)
        window.SetWindowColor(static_cast<TColor>(*set.BGColor));
    part("font", [&] {
        if (set.FontName != "-") settings.WriteString("FontName", set.FontName);
        if (set.FontColor >= 0) settings.WriteInteger("FontColor", set.FontColor);
        if (set.FontSize >= 0) settings.WriteInteger("FontSize", set.FontSize);
        if (set.FontPitch >= 0) settings.WriteInteger("FontPitch", set.FontPitch);
        window.LoadFont();
        return std::string();
    });
    if (set.Align >= 0)
        part("alignment", [&] {
            settings.WriteInteger("Align", set.Align);
            // The formatters' alignment is read by the web service's threads.
            std::unique_lock<std::recursive_mutex> view;
            if (Host_.Layout->Hooks().ViewLock)
                view = std::unique_lock<std::recursive_mutex>(*Host_.Layout->Hooks().ViewLock);
            window.LoadAlign();
            return std::string();
        });
    if (set.UseFileNameAsBackground || set.BGColor)
        part("background", [&] {
            if (picture && set.BGFileName.value_or("").empty())
                return std::string("the set asks for a background picture but names none; the "
                                   "background is as it was");
            settings.WriteBool("UseFileNameAsBackground", picture);
            if (picture)
                settings.WriteString("BGFileName", *set.BGFileName);
            else if (set.BGColor)
                settings.WriteInteger("BGColor", *set.BGColor);
            const std::string why = window.LoadBackground();
            if (why.empty()) return std::string();
            return "the picture " + *set.BGFileName + " cannot be loaded (" + why +
                   "); the window shows its background colour";
        });
    if (set.AOT)
        part("always on top", [&] {
            settings.WriteBool("AOT", *set.AOT);
            window.AlwaysOnTop1->setChecked(!*set.AOT);
            window.AlwaysOnTop1Click();
            return std::string();
        });
    if (set.Trans)
        part("transparency", [&] {
            settings.WriteBool("Trans", *set.Trans);
            window.Transperant1->setChecked(!*set.Trans);
            window.Transperant1Click();
            window.LoadBackground();
            return std::string();
        });
    if (set.PinToDesktop)
        part("pin to desktop", [&] {
            settings.WriteBool("PinToDesktop", *set.PinToDesktop);
            window.PinToDesktop1->setChecked(*set.PinToDesktop);
            return std::string();
        });
    if (set.Alpha)
        part("alpha", [&] {
            const int alpha = *set.Alpha == 0 ? 255 : *set.Alpha;
            settings.WriteInteger("Alpha", alpha);
            // The exit stores the window's own value: it must be this one.
            window.SetAlpha(alpha);
            window.SetTrans();
            return std::string();
        });
    if (set.X >= 0 || set.Y >= 0)
        part("position", [&] {
            QPoint place = Host_.Layout->Place().Position();
            if (set.X >= 0) {
                settings.WriteInteger("X", set.X);
                place.setX(set.X);
            }
            if (set.Y >= 0) {
                settings.WriteInteger("Y", set.Y);
                place.setY(set.Y);
            }
            Host_.Layout->MoveWithinDesktop(place);
            return std::string();
        });
    Host_.Layout->AutoSize = true;
    Host_.Layout->SetSize();
    return report;
}

void TConfigSets::LoadIntoEditor(const std::string& path) {
    const std::unique_ptr<TOptionForm> editor = Host_.CreateEditor();
    const TSuspended suspended(Host_);
    std::string text;
    LoadSettingFile(path, text);
    editor->SetFormatText(text);
    editor->btnApplyClick();
}

void TConfigSets::LoadKCFG(const std::string& path) {
    LogAdd("LoadKCFG (" + path + ")");
    LoadIntoEditor(path);
}

void TConfigSets::PopupMenu1Popup() {
    ClearFastConfig();
    SearchForConfigs();
}

void TConfigSets::ClearFastConfig() {
    LogAdd("ClearFastConfig");
    if (FastConfig1_) {
        for (QAction* action : FastConfig1_->actions()) {
            FastConfig1_->removeAction(action);
            if (action->parent() == this) action->deleteLater();
        }
    }
    SetPaths_.clear();
}

void TConfigSets::SearchForConfigs() {
    LogAdd("SearchForConfigs");
    if (!FastConfig1_) return;
    for (const TConfigSetEntry& entry : ListConfigSets(Folders())) {
        SetPaths_.push_back(entry.Path);
        AddMenuItem(entry.Caption, FastConfig1_, true,
                    [this](QAction* item) { ConfigExecuteClick(item); });
    }
    AddMenuItem("-", FastConfig1_, false, nullptr);
    AddMenuItem("Save Current Config...", FastConfig1_, false,
                [this](QAction*) { SaveCurrentConfig(); });
}

QAction* TConfigSets::AddMenuItem(const std::string& text, QMenu* parent, bool isFile,
                                  const std::function<void(QAction*)>& handler) {
    LogAdd(text == "-" ? std::string("AddMenuSeperator") : "AddMenuItem (" + text + ")");
    auto* item = new QAction(this);
    if (text == "-") {
        item->setSeparator(true);
    } else {
        // A set's name is shown as it is written; the other captions keep their access keys.
        item->setText(isFile ? MenuCaption(text) : QString::fromStdString(text));
    }
    if (isFile) item->setData(static_cast<int>(SetPaths_.size()) - 1);
    if (handler) connect(item, &QAction::triggered, this, [handler, item] { handler(item); });
    parent->addAction(item);
    return item;
}

void TConfigSets::ConfigExecuteClick(QAction* sender) {
    LogAdd("ConfigExecuteClick");
    if (Host_.SamplingRunning && !Host_.SamplingRunning()) return;
    if (!sender) return;
    const int index = sender->data().toInt();
    if (index < 0 || static_cast<std::size_t>(index) >= SetPaths_.size()) return;
    LoadIntoEditor(SetPaths_[static_cast<std::size_t>(index)]);
}

void TConfigSets::SaveCurrentConfig() {
    LogAdd("SaveCurrentConfig");
    const TWindowBehaviour::TDialogHold hold(*Host_.Window);
    const std::unique_ptr<TOptionForm> editor = Host_.CreateEditor();
    editor->BitBtn2Click();
}

} // namespace keltrix
