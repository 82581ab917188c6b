#include "net/web_menu.h"

#include "base/errors.h"
#include "settings/service_settings.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QWidget>

namespace keltrix {

TWebMenu::TWebMenu(QWidget* window, TWebPublishing& publishing, TWebMenuHooks hooks)
    : QObject(window), ActasWebService1(new QAction("Act as Web Service/Server", this)),
      AutoSaveXML1(new QAction("AutoSave XML", this)), Window_(window), Web_(publishing),
      Hooks_(std::move(hooks)) {
    ActasWebService1->setCheckable(true);
    AutoSaveXML1->setCheckable(true);
    // The handlers set the check themselves.
    connect(ActasWebService1, &QAction::triggered, this, &TWebMenu::ActasWebServiceClick);
    connect(AutoSaveXML1, &QAction::triggered, this, &TWebMenu::AutoSaveXML1Click);
    connect(&SoapTimer, &QTimer::timeout, this, &TWebMenu::SoapTimerTimer);

    Prompts.InputQuery = [this](const std::string& title, const std::string& prompt,
                                const std::string& initial) -> std::optional<std::string> {
        bool ok = false;
        const QString text = QInputDialog::getText(
            Window_, QString::fromStdString(title), QString::fromStdString(prompt),
            QLineEdit::Normal, QString::fromStdString(initial), &ok);
        if (!ok) return std::nullopt;
        return text.toStdString();
    };
    Prompts.ChooseSaveFile = [this](const std::string& current) -> std::optional<std::string> {
        QFileDialog dialog(Window_, "Auto-save file to");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({"All files (*.*)", "XML files (*.xml)"});
        dialog.setDefaultSuffix("XML");
        dialog.selectFile(QString::fromStdString(current));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    };
}

void TWebMenu::ReadSettings(const TServiceSettings& stored) {
    std::string error;
    const bool ok = Web_.ReadSettings(stored, error);
    ActasWebService1->setChecked(stored.WebService && ok);
    if (!ok && Hooks_.Error) Hooks_.Error("ESocketError", error);
    SyncTimer();
}

void TWebMenu::Shutdown() {
    SoapTimer.stop();
    Web_.Service.Stop();
}

void TWebMenu::ActasWebServiceClick() {
    // The action toggled its check already.
    const bool wanted = ActasWebService1->isChecked();
    bool shown = false;
    std::string error;
    Hooks_.Prompt([&] { shown = Web_.ActasWebServiceClick(wanted, Prompts, error); });
    ActasWebService1->setChecked(shown);
    if (!error.empty() && Hooks_.Error) Hooks_.Error("ESocketError", error);
}

void TWebMenu::AutoSaveXML1Click() {
    // The check shows the timer before the click; the action has toggled it.
    const bool running = !AutoSaveXML1->isChecked();
    Hooks_.Prompt([&] { Web_.AutoSaveXML1Click(running, Prompts); });
    SyncTimer();
}

void TWebMenu::SoapTimerTimer() {
    try {
        Web_.SoapTimerTimer();
    } catch (const EKeltrixError& e) {
        if (Hooks_.Error) Hooks_.Error(e.ClassName(), e.what());
    } catch (const std::exception& e) {
        if (Hooks_.Error) Hooks_.Error(ExceptionClassName(e), e.what());
    }
}

void TWebMenu::SyncTimer() {
    const TAutoSaveState& state = Web_.AutoSave;
    AutoSaveXML1->setChecked(state.Running);
    if (state.Running && state.Interval > 0)
        SoapTimer.start(state.Interval);
    else
        SoapTimer.stop();
}

} // namespace keltrix
