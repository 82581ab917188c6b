#pragma once
// The window's side of the web service and the XML auto-save: the menu items
// "Act as Web Service/Server" and "AutoSave XML", the save timer SoapTimer and the dialogs.

#include "net/web_publishing.h"

#include <QAction>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace keltrix {

struct TWebMenuHooks {
    // Runs a prompt with the main timer paused and the pin-to-desktop order held.
    std::function<void(const std::function<void()>&)> Prompt;
    // The general error handler.
    std::function<void(const std::string& className, const std::string& message)> Error;
};

class TWebMenu : public QObject {
    Q_OBJECT
public:
    TWebMenu(QWidget* window, TWebPublishing& publishing, TWebMenuHooks hooks);

    // Start-up: listening and the save timer as stored.
    void ReadSettings(const TServiceSettings& stored);
    // The exit: the port is closed and no more saves happen.
    void Shutdown();

    void ActasWebServiceClick();
    void AutoSaveXML1Click();
    void SoapTimerTimer();

    QAction* ActasWebService1;
    QAction* AutoSaveXML1;
    QTimer SoapTimer;
    // Tests answer for the user.
    TWebPrompts Prompts;

private:
    // The timer as the state says; a period of 0 counts as running but never fires.
    void SyncTimer();

    QWidget* Window_;
    TWebPublishing& Web_;
    TWebMenuHooks Hooks_;
};

} // namespace keltrix
