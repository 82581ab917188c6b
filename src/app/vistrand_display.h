#pragma once
// The main window: owns every subsystem for the run and carries the menu commands.

#include "app/startup_switches.h"
#include "measure/raw_data.h"

#include <QMenu>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QSocketNotifier;

namespace keltrix {

class TSmartLog;
class TRegistryStore;
class TFormatter;
namespace platform {
class TNamedEvent;
}

class TVistrandDisplay : public QWidget {
    Q_OBJECT
public:
    TVistrandDisplay(std::vector<std::string> args, std::unique_ptr<TRegistryStore> store);
    ~TVistrandDisplay() override;

    // The general error handler (ApplicationEvents1Exception).
    void ApplicationEvents1Exception(const std::string& className, const std::string& message);
    void ShowBalloonTips(const std::string& title, const std::string& text, bool error = false);

    TRawDataShell& RawData() { return *RawData_; }
    const TStartupSwitches& Switches() const { return Switches_; }

public slots:
    void Exit1Click();
    // Brings the tray icon back when a second start was refused.
    void ReTray();
    void SaveadvDebugFile1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormCreate(const std::vector<std::string>& args);
    void SetUpAdvancedLog();
    void BuildMenu();
    void WatchSecondStarts();
    void WatchExitSignals();
    void RefreshScreen();

    std::unique_ptr<TRegistryStore> Settings_;
    std::unique_ptr<TSmartLog> SmartLog_;
    std::unique_ptr<TRawDataShell> RawData_;
    std::vector<std::unique_ptr<TFormatter>> Formatters_;
    std::unique_ptr<platform::TNamedEvent> SecondStart_;
    TStartupSwitches Switches_;
    std::string FormatString_;
    QLabel* Label_ = nullptr;
    QMenu PopupMenu1;
    QAction* SaveadvDebugFile1 = nullptr;
    QAction* Exit1 = nullptr;
    bool Exiting_ = false;
};

} // namespace keltrix
