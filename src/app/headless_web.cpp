#include "app/headless_web.h"

#include "app/headless_mode.h"
#include "display/layout_text.h"
#include "measure/sampling_cycle.h"
#include "net/web_publishing.h"
#include "net/web_view.h"
#include "settings/service_settings.h"

#include <cstring>
#include <iostream>

namespace keltrix {
namespace {

// What the web service reads on a headless server: the record, and as "the display" the
// stored format string rendered line by line, redrawn whenever the record changed.
class TWebState {
public:
    explicit TWebState(THeadlessHost& host) : Host_(host) {
        TWebViewSource source;
        source.UnderLock = LockWith(host.RecordLock());
        source.Record = &host.Record();
        source.Formatters = &host.Core().Formatters;
        source.Captions = [this]() -> const std::vector<std::string>& { return Lines(); };
        source.FormatString = [this]() -> const std::string& { return Host_.Core().FormatString; };
        source.MountPoints = [this] {
            std::vector<std::pair<char, std::string>> mounts;
            if (const TSamplingCycle* s = Host_.Sampling())
                for (const auto& drive : s->DriveMap().Drives())
                    mounts.emplace_back(drive.Letter, drive.MountPoint);
            return mounts;
        };
        source.Interfaces = [this] {
            const TSamplingCycle* s = Host_.Sampling();
            return s ? s->Net().SlotNames() : std::vector<std::string>{};
        };
        View = std::make_unique<TWebView>(std::move(source));
    }
    std::unique_ptr<TWebView> View;

private:
    // Under the record lock.
    const std::vector<std::string>& Lines() {
        const TRawData& now = Host_.Record().Data();
        if (!Drawn_ || std::memcmp(&now, &DrawnFrom_, sizeof now) != 0) {
            Lines_.clear();
            for (const std::string& line : SplitFormatLines(Host_.Core().FormatString)) {
                try {
                    Lines_.push_back(Host_.Core().RenderLine(line));
                } catch (const std::exception&) {
                    Lines_.emplace_back(); // a bad FileData line definition, say
                }
            }
            // Rendering may register a drive; the lines belong to the record as it is now.
            std::memcpy(&DrawnFrom_, &now, sizeof now);
            Drawn_ = true;
        }
        return Lines_;
    }
    THeadlessHost& Host_;
    std::vector<std::string> Lines_;
    TRawData DrawnFrom_{};
    bool Drawn_ = false;
};

class TWebHeadlessService final : public THeadlessService {
public:
    const char* Name() const override { return "web service"; }
    bool Wanted(THeadlessHost& host) override {
        ReadServerSettings(host.Settings(), Stored_);
        return Stored_.WebService || Stored_.AutoSave;
    }
    void Start(THeadlessHost& host) override {
        State_ = std::make_unique<TWebState>(host);
        Web_ = std::make_unique<TWebPublishing>(host.Settings(), *State_->View);
        std::string error;
        if (!Web_->ReadSettings(Stored_, error)) throw std::runtime_error(error);
        if (Stored_.WebService)
            std::cerr << "keltrix: web service on port " << Web_->Service.BoundPort() << "\n";
        if (Web_->AutoSave.Running && Web_->AutoSave.Interval > 0) {
            Host_ = &host;
            Timer_ = host.Loop().StartTimer(Web_->AutoSave.Interval, [this] { Save(); });
        }
    }
    void Stop() override {
        if (Host_) Host_->Loop().StopTimer(Timer_);
        Host_ = nullptr;
        if (Web_) Web_->Service.Stop();
        Web_.reset();
        State_.reset();
    }

private:
    // A file that cannot be written is said at every tick, as the window says it; the timer
    // keeps running.
    void Save() {
        try {
            Web_->SoapTimerTimer();
        } catch (const std::exception& e) {
            std::cerr << "keltrix: " << e.what() << "\n";
        }
    }
    TServiceSettings Stored_;
    std::unique_ptr<TWebState> State_;
    std::unique_ptr<TWebPublishing> Web_;
    THeadlessHost* Host_ = nullptr;
    platform::TEventLoop::TTimerId Timer_ = 0;
};

} // namespace

void AddWebServices(THeadlessHost& host) {
    host.AddService(std::make_unique<TWebHeadlessService>());
}

} // namespace keltrix
