#include "app/vistrand_display.h"

#include "app/keltrix_application.h"
#include "app/process_entry.h"
#include "app/smartlog.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "settings/default_format.h"
#include "settings/registry_store.h"
#include "tags/formatters.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <cstdio>
#include <sys/stat.h>

namespace keltrix {
namespace {

constexpr const char* SettingsKey = "Software\\OrlenwickStudios\\Vistrand";

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

TVistrandDisplay::TVistrandDisplay(std::vector<std::string> args,
                                   std::unique_ptr<TRegistryStore> store)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), Settings_(std::move(store)) {
    FormCreate(args);
}

TVistrandDisplay::~TVistrandDisplay() = default;

void TVistrandDisplay::FormCreate(const std::vector<std::string>& args) {
    std::string parameterLine;
    bool haveParameterLine = false;
    if (Settings_->OpenKey(SettingsKey, true) && Settings_->ValueExists("ParameterLine")) {
        parameterLine = Settings_->ReadString("ParameterLine");
        haveParameterLine = true;
    }
    Switches_ = ParseStartupSwitches(args, haveParameterLine ? &parameterLine : nullptr, FileExists);
    if (Switches_.AdvancedLog) SetUpAdvancedLog();

    RawData_ = std::make_unique<TRawDataShell>();
    RawData_->OnData = [this](TRawDataShell&) { RefreshScreen(); };
    Formatters_ = CreateFormatters(*RawData_);

    if (Settings_->ValueExists("FormatString")) {
        FormatString_ = Settings_->ReadString("FormatString");
    } else {
        FormatString_ = DefaultFormatString(Formatters_);
    }
    for (auto& f : Formatters_) f->DecideIfActive(FormatString_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    Label_ = new QLabel(this);
    Label_->setTextFormat(Qt::PlainText);
    layout->addWidget(Label_);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QString::fromUtf8(ApplicationTitle));

    BuildMenu();
    WatchSecondStarts();
    WatchExitSignals();
    RefreshScreen();
    move(717, 400);
}

void TVistrandDisplay::SetUpAdvancedLog() {
    SmartLog_ = std::make_unique<TSmartLog>(ApplicationTitle);
    SmartLog_->SetMaxLines(Switches_.AdvancedLogLevel);
    SmartLog_->SetTimeStamps(true);
    SmartLog_->SetFileName(platform::DataDir() + "/SmartLog.log");
    SmartLog_->SetSaveOnDestroy(true);
    smartlog::Install(SmartLog_.get());
}

void TVistrandDisplay::BuildMenu() {
    SaveadvDebugFile1 = PopupMenu1.addAction("Save SmartLog File");
    SaveadvDebugFile1->setVisible(SmartLog_ != nullptr);
    connect(SaveadvDebugFile1, &QAction::triggered, this, &TVistrandDisplay::SaveadvDebugFile1Click);
    PopupMenu1.addSeparator();
    Exit1 = PopupMenu1.addAction("E&xit");
    connect(Exit1, &QAction::triggered, this, &TVistrandDisplay::Exit1Click);
}

void TVistrandDisplay::WatchSecondStarts() {
    SecondStart_ = std::make_unique<platform::TNamedEvent>(EventName);
    std::string error;
    if (!SecondStart_->Create(&error)) {
        // Another instance (started with -MULTIPLE) already answers second starts.
        std::fprintf(stderr, "keltrix: not watching for second starts: %s\n", error.c_str());
        return;
    }
    auto* notifier = new QSocketNotifier(SecondStart_->Fd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (SecondStart_->Consume()) ReTray();
    });
}

void TVistrandDisplay::WatchExitSignals() {
    const int fd = platform::WatchExitSignals();
    if (fd >= 0) {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] {
            platform::TakeExitSignal(fd);
            Exit1Click();
        });
    }
    // The end of the desktop session is an orderly exit too.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Exit1Click(); });
}

void TVistrandDisplay::RefreshScreen() {
    LogAdd("RefreshScreen");
    QStringList lines;
    std::size_t start = 0;
    while (start <= FormatString_.size()) {
        std::size_t end = FormatString_.find("\r\n", start);
        std::string line = FormatString_.substr(start, end == std::string::npos ? std::string::npos
                                                                                  : end - start);
        for (auto& f : Formatters_) line = f->ApplyTags(std::move(line));
        lines << QString::fromStdString(line);
        if (end == std::string::npos) break;
        start = end + 2;
    }
    Label_->setText(lines.join('\n'));
    adjustSize();
}

void TVistrandDisplay::ReTray() {
    LogAdd("ReTray");
    // The tray icon is deleted and added again here; until it exists, showing the window
    // is what a second start brings back.
    show();
}

void TVistrandDisplay::SaveadvDebugFile1Click() {
    if (SmartLog_) SmartLog_->Save();
}

void TVistrandDisplay::ApplicationEvents1Exception(const std::string& className,
                                                   const std::string& message) {
    const std::string entry = "EXCEPTION (" + className + ") --- " + message;
    if (SmartLog_) {
        SmartLog_->Add(entry);
        try {
            SmartLog_->Save();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "keltrix: %s\n", e.what());
        }
    }
    ShowBalloonTips("Oops ... !!!", "Keltrix Has Just reported an error\r\n\r\n" + entry, true);
}

void TVistrandDisplay::ShowBalloonTips(const std::string& title, const std::string& text,
                                       bool error) {
    LogAdd("ShowBalloonTips ( " + title + " -;- " + text + " )");
    auto* box = new QMessageBox(error ? QMessageBox::Critical : QMessageBox::Information,
                                QString::fromStdString(title), QString::fromStdString(text),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void TVistrandDisplay::Exit1Click() {
    if (Exiting_) return;
    Exiting_ = true;
    LogAdd("Exit1Click");
    try {
        Settings_->CloseKey();
        Formatters_.clear();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "keltrix: %s\n", e.what());
    }
    QCoreApplication::quit();
}

void TVistrandDisplay::closeEvent(QCloseEvent* event) {
    LogAdd("FormCloseQuery");
    Exit1Click();
    event->accept();
}

void TVistrandDisplay::contextMenuEvent(QContextMenuEvent* event) {
    LogAdd("PopUpMenu1Popup");
    PopupMenu1.popup(event->globalPos());
}

} // namespace keltrix
