#pragma once
// The web service's unit of work (TwmSOAPIndy): a private record and formatter set loaded
// from a snapshot, so requests render on their own copy while the main thread samples on.
// Modules are pooled: each request borrows one, the periodic save keeps its own.

#include "net/web_view.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace keltrix {

class TWebModule {
public:
    TWebModule();
    TWebModule(const TWebModule&) = delete;
    TWebModule& operator=(const TWebModule&) = delete;

    // Takes the record, Active flags and alignment of the snapshot.
    void Load(const TWebSnapshot& snapshot);

    // GetFormattedItem: the text through every active formatter in order.
    std::string RenderFormatted(const std::string& text);
    // GetXML: the data document.
    std::string GetXML();

    // Drive letters that renders since Load registered in this copy of the record.
    std::vector<char> NewDrives() const;

    const TRawData& Record() const { return Shell_.Data(); }

private:
    void GuardFileData();

    TRawDataShell Shell_;
    TFormatterList Formatters_;
    const TWebSnapshot* Snapshot_ = nullptr;
    TRawData Loaded_{};
    // The file names in the display's own FileData tags, for the format string
    // they were read from.
    std::string AllowedFor_;
    std::set<std::string> AllowedFiles_;
    bool AllowedValid_ = false;
};

// The FORMAT values of the FileData tags in a format string, as the display renders them.
std::set<std::string> FileDataSpecs(const std::string& formatString);

class TWebModulePool {
public:
    class THandle {
    public:
        THandle(TWebModulePool& pool, std::unique_ptr<TWebModule> module)
            : Pool_(pool), Module_(std::move(module)) {}
        ~THandle() { Pool_.Return(std::move(Module_)); }
        THandle(const THandle&) = delete;
        THandle& operator=(const THandle&) = delete;
        TWebModule* operator->() const { return Module_.get(); }
        TWebModule& operator*() const { return *Module_; }

    private:
        TWebModulePool& Pool_;
        std::unique_ptr<TWebModule> Module_;
    };

    THandle Acquire();

private:
    void Return(std::unique_ptr<TWebModule> module);
    std::mutex Lock_;
    std::vector<std::unique_ptr<TWebModule>> Free_;
};

} // namespace keltrix
