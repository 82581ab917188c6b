#pragma once
// A display window as the main window sets it up: a settings file in a temporary folder, the
// eight formatters over a sample record, the layout, and hooks that record what they are asked.

#include "display/display_layout.h"
#include "display/qab_label.h"
#include "settings/registry_store.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace keltrix::displaytest {

class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "keltrix-display-XXXXXX");
        Path_ = mkdtemp(pattern.data());
    }
    ~TTempFolder() { std::filesystem::remove_all(Path_); }
    std::string File(const std::string& name) const { return Path_ + "/" + name; }
    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
};

inline void WriteFile(const std::string& path, const std::string& text, bool executable = false) {
    std::ofstream(path, std::ios::binary) << text;
    if (executable) std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Started programs run detached: wait for what they leave behind.
inline std::string WaitForFile(const std::string& path) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        const std::string text = ReadFile(path);
        if (!text.empty() && text.back() == '\n') return text;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return ReadFile(path);
}

class DisplayFixture : public ::testing::Test {
protected:
    DisplayFixture() {
        EXPECT_TRUE(Settings.OpenKey(R"(Software\OrlenwickStudios\Vistrand)", true));
        Raw.Data().CompName.Set("abc");
        Window.move(100, 100);
        Window.resize(120, 206);
        QFont font("DejaVu Sans");
        font.setPixelSize(14);
        Window.setFont(font);
        TDisplayLayoutHooks hooks;
        hooks.Suspend = [this] { Calls += "S"; };
        hooks.Resume = [this] { Calls += "R"; };
        hooks.ForcedSample = [this] {
            Calls += "F";
            for (TFmtLabel* label : Layout.Labels()) CaptionsAtSample.push_back(label->text());
            Layout.RefreshScreen();
        };
        hooks.TrayRedraw = [this] { Calls += "T"; };
        hooks.ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
        Layout.Hooks() = std::move(hooks);
        Layout.SetDesktopGeometry([this] { return Desktop; });
    }

    TFmtLabel* Label(int i) const { return Layout.Labels().at(static_cast<std::size_t>(i)); }

    TTempFolder Temp;
    TRegistryStore Settings{Temp.File("registry.reg")};
    TRawDataShell Raw;
    TFormatterList Formatters = CreateFormatters(Raw);
    QWidget Window;
    TDisplayLayout Layout{&Window, Formatters, Settings, {}};
    TDesktopGeometry Desktop{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)};
    std::string Calls;
    QStringList CaptionsAtSample;
    std::vector<std::string> Messages;
};

} // namespace keltrix::displaytest
