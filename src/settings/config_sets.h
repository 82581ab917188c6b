#pragma once
// Config sets on the running window: export of the stored look, loading a file into the store
// and the window, the start-up switch, and the "Fast Config" submenu rebuilt at every opening
// of the pop-up menu from the "configs" folders.

#include "settings/config_set.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace keltrix {

class TDisplayLayout;
class TOptionForm;
class TRegistryStore;
class TWindowBehaviour;

// What the main window lends.
struct TConfigSetsHost {
    TRegistryStore* Settings = nullptr;
    TDisplayLayout* Layout = nullptr;
    TWindowBehaviour* Window = nullptr;
    // The main timer.
    std::function<void()> Suspend;
    std::function<void()> Resume;
    std::function<bool()> SamplingRunning;
    // The format editor, created unseen for its Apply and Export.
    std::function<std::unique_ptr<TOptionForm>()> CreateEditor;
    // A modal warning: a set applied only in part.
    std::function<void(const std::string&)> ShowMessage;
};

// What applying a set did, part by part ("font", "alignment", ...).
struct TConfigSetReport {
    std::vector<std::string> Applied;
    std::vector<std::string> Failed; // part: reason
};
// The message for a set applied only in part; empty when every part was applied.
std::string DescribeConfigSetReport(const std::string& path, const TConfigSetReport& report);

class TConfigSets : public QObject {
public:
    explicit TConfigSets(TConfigSetsHost host, QObject* parent = nullptr);
    ~TConfigSets() override;

    // The stored look, the window's place first, into the file (created or replaced).
    void PackSettingFile(const std::string& path);
    // Reads the file, applies its look through WriteConfigSetToReg and gives its format string
    // in text. A file that cannot be read, or that is not a config set (no format string),
    // throws before anything is applied. A set applied only in part is told to the user.
    void LoadSettingFile(const std::string& path, std::string& text);
    // Stores and applies every part it can; a part that fails leaves the others applied.
    TConfigSetReport WriteConfigSetToReg(const TConfigSet& set);
    // The start-up switches -loadkcfg(...) and -usekcfg(...).
    void LoadKCFG(const std::string& path);

    // "Fast Config": the submenu it fills.
    void SetMenu(QMenu* fastConfig) { FastConfig1_ = fastConfig; }
    // Before the pop-up menu opens: ClearFastConfig, then SearchForConfigs.
    void PopupMenu1Popup();
    void ClearFastConfig();
    void SearchForConfigs();
    QAction* AddMenuItem(const std::string& text, QMenu* parent, bool isFile,
                         const std::function<void(QAction*)>& handler);
    void ConfigExecuteClick(QAction* sender);
    void SaveCurrentConfig();
    // The paths listed at the last opening; an item's data is its index here.
    const std::vector<std::string>& SetPaths() const { return SetPaths_; }

    // The folders listed; tests set their own.
    std::function<std::vector<std::string>()> Folders = ConfigSetFolders;

private:
    // LoadSettingFile into an unseen editor and its Apply, with sampling suspended.
    void LoadIntoEditor(const std::string& path);

    TConfigSetsHost Host_;
    QMenu* FastConfig1_ = nullptr;
    std::vector<std::string> SetPaths_;
};

} // namespace keltrix
