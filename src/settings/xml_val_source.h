#pragma once
// Value sources: the owners of XML documents that value components read and write. A file
// source keeps its document in a file, written through at every change; a path source keeps
// its values below a sub-path of a file source's document.

#include "base/errors.h"
#include "platform/file_store.h"
#include "settings/xml_component.h"

#include <pugixml.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

class TXMLNotifiableComponent;
class TXMLChangeThread;

KELTRIX_ERROR_CLASS(EXMLParseError, EKeltrixError);

// The root element's name in new documents.
inline constexpr const char* XMLRootName = "Configuration";

// A name containing "http://" (any letter case): a remote document, never written.
bool IsRemoteXMLName(std::string_view name);
// Whether name may be an element name of the document (an XML name without a colon prefix).
bool IsXMLElementName(std::string_view name);

// Parses text into doc; the error names the file and the line ("" when it loaded).
std::string LoadXMLText(pugi::xml_document& doc, std::string_view text,
                        const std::string& fileName);
// The whole document as UTF-8 with its declaration.
std::string SaveXMLText(pugi::xml_document& doc);

class TXMLValSource : public TComponent {
public:
    using TComponent::TComponent;

    virtual void Save() = 0;
    // Sets the named child's text, creating the child at the end when missing, then saves.
    virtual void WriteValue(const std::string& name, const TXMLVariant& value);
    // Adds a value to those told when the document is loaded again.
    virtual void Register(TXMLNotifiableComponent* value) = 0;
    // The named child's text; no value when there is no such child or its text is empty.
    TXMLVariant ReadValue(const std::string& name);

protected:
    // The element whose children are the values; none when it does not exist (and create is
    // false) or there is no document.
    virtual pugi::xml_node ValueParent(bool create) = 0;
};

// Failures to read or write the file: the class name and the message of the error.
using TXMLErrorEvent =
    std::function<void(const std::string& className, const std::string& message)>;
// Runs a job on the user-interface thread (queued; it may run after the caller returns).
using TXMLPostEvent = std::function<void(std::function<void()> job)>;

class TXMLValSourceFile : public TXMLValSource {
public:
    explicit TXMLValSourceFile(TComponent* owner = nullptr, std::string name = {});
    ~TXMLValSourceFile() override;

    const std::string& FileName() const noexcept { return FileName_; }
    // Saves under the old name, then loads the new file, or creates it from the document.
    void SetFileName(const std::string& name);
    bool CheckForXMLChanges() const noexcept { return CheckForXMLChanges_; }
    // Runs or suspends the file watcher; it needs Post.
    void SetCheckForXMLChanges(bool value);

    // After every write through this source and after a watched reload.
    TNotifyEvent OnChange;
    // Where failures to read or write the file go. Without it they are thrown; with it each
    // failure to save is reported once until a save succeeds again.
    TXMLErrorEvent OnError;
    // How the file watcher reaches the user-interface thread.
    TXMLPostEvent Post;

    void Save() override;
    void WriteValue(const std::string& name, const TXMLVariant& value) override;
    void Register(TXMLNotifiableComponent* value) override;

    // Why the file is kept as it is (it could not be read or is not well-formed); "" while it
    // is in use. While set nothing is written to the file.
    const std::string& LoadError() const noexcept { return LoadError_; }
    pugi::xml_document& Document() noexcept { return Doc_; }
    pugi::xml_node Root() const noexcept { return Root_; }

    // The watcher's reload, on the user-interface thread: when the file is not the version
    // last read or written, loads it again, calls OnChange and tells every registered value.
    void ReloadIfChanged();
    // Delays of the watcher (tests shorten them).
    void SetWatchTimes(std::chrono::milliseconds poll, std::chrono::milliseconds settle);

protected:
    pugi::xml_node ValueParent(bool create) override;
    void Notification(TComponent* gone) override;

private:
    // Loads the file; false when it could not be used (then reported and kept).
    bool LoadFile(bool keepDocumentOnFailure);
    void NotifyRegistered();
    template <class E> void Report(const E& error) {
        if (!OnError) throw error;
        OnError(error.ClassName(), error.what());
    }
    void NewDocument();

    std::string FileName_;
    bool CheckForXMLChanges_ = false;
    pugi::xml_document Doc_;
    pugi::xml_node Root_;
    std::vector<TXMLNotifiableComponent*> Registered_;
    std::string LoadError_;
    bool SaveFailing_ = false;
    platform::TFileStamp KnownStamp_;
    std::unique_ptr<TXMLChangeThread> Watcher_;
    // Jobs posted by the watcher check it: the source may be gone when they run.
    std::shared_ptr<TXMLValSourceFile*> Alive_;
};

class TXMLValSourcePathMod : public TXMLValSource {
public:
    using TXMLValSource::TXMLValSource;

    TXMLValSourceFile* XMLValSourceFile() const noexcept { return File_; }
    void SetXMLValSourceFile(TXMLValSourceFile* file);
    // Element names separated by "/", below the file source's root; "" is the root itself.
    std::string XMLPathMod;

    void Save() override;
    void Register(TXMLNotifiableComponent* value) override;

protected:
    pugi::xml_node ValueParent(bool create) override;
    void Notification(TComponent* gone) override;

private:
    TXMLValSourceFile& File();
    TXMLValSourceFile* File_ = nullptr;
};

} // namespace keltrix
