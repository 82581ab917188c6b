#pragma once
// A display window as the main window sets it up, with the config sets and the format editor
// on it; the user's answers to the editor's dialogs and the window's prompts are given here.

#include "../display/display_fixture.h"
#include "display/window_behaviour.h"
#include "settings/config_sets.h"
#include "settings/vistrand_options.h"

#include <QElapsedTimer>

#include <cstdlib>
#include <deque>

namespace keltrix::editortest {

class EditorFixture : public displaytest::DisplayFixture {
protected:
    EditorFixture() {
        // The import backup goes to the data folder: a private one.
        setenv("XDG_DATA_HOME", Temp.File("data").c_str(), 1);
        TPrompts prompts;
        prompts.InputQuery = [](const std::string&, const std::string&, const std::string&) {
            return std::optional<std::string>();
        };
        prompts.AskWarningYesNo = [this](const std::string& text) {
            Messages.push_back(text);
            return false;
        };
        prompts.Warning = [this](const std::string& text) { Messages.push_back(text); };
        prompts.ChooseFont = [](const TFontChoice&, const auto&) {
            return std::optional<TFontChoice>();
        };
        TWindowBehaviourHooks hooks;
        hooks.ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
        Behaviour = std::make_unique<TWindowBehaviour>(&Window, Layout, Settings, hooks, prompts);

        TConfigSetsHost host;
        host.Settings = &Settings;
        host.Layout = &Layout;
        host.Window = Behaviour.get();
        host.Suspend = [this] { Calls += "s"; };
        host.Resume = [this] { Calls += "r"; };
        host.SamplingRunning = [this] { return Running; };
        host.CreateEditor = [this] { return Editor(); };
        host.ShowMessage = [this](const std::string& text) { Reports.push_back(text); };
        Sets = std::make_unique<TConfigSets>(host);
        Sets->Folders = [this] { return Folders; };
        Layout.SetFormatString("first\r\nsecond <NAME=CompName>");
        Layout.ApplyFormatString();
        Calls.clear();
    }

    std::unique_ptr<TOptionForm> Editor() {
        TOptionFormHost host;
        host.Layout = &Layout;
        host.Settings = &Settings;
        host.ConfigSets = Sets.get();
        host.Display = &Window;
        host.Resume = [this] { Calls += "R"; };
        host.SampleNow = [this] {
            ++Samples;
            Layout.RefreshScreen();
        };
        TOptionFormPrompts prompts;
        prompts.OpenConfig = [this](const std::string& title, const std::string& folder) {
            Dialogs.push_back(title + "|" + folder);
            return Pop(OpenAnswers);
        };
        prompts.SaveConfig = [this](const std::string& title, const std::string& folder) {
            Dialogs.push_back(title + "|" + folder);
            return Pop(SaveAnswers);
        };
        prompts.ChooseColor = [this](TColor) { return ColorAnswer; };
        return std::make_unique<TOptionForm>(host, prompts);
    }

    // Runs the event loop until done() holds or ms have passed.
    template <class F> static bool WaitFor(F done, int ms = 3000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    static std::optional<std::string> Pop(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::unique_ptr<TWindowBehaviour> Behaviour;
    std::unique_ptr<TConfigSets> Sets;
    std::vector<std::string> Folders;
    bool Running = true;
    int Samples = 0;
    std::deque<std::optional<std::string>> OpenAnswers, SaveAnswers;
    std::optional<TColor> ColorAnswer;
    std::vector<std::string> Dialogs, Reports;
};

} // namespace keltrix::editortest
