#include "settings/xml_val_source.h"

#include "platform/ascii.h"
#include "settings/xml_change_thread.h"
#include "settings/xml_value.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace keltrix {
namespace {

// Line ends are kept as they are: a value's CR LF reads back as written.
constexpr unsigned kParseOptions = (pugi::parse_default & ~pugi::parse_eol) |
                                   pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_doctype;

bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

std::string AbsoluteName(const std::string& fileName) {
    std::error_code ignored;
    const std::filesystem::path p = std::filesystem::absolute(fileName, ignored);
    return p.empty() ? fileName : p.lexically_normal().string();
}

std::string FolderName(const std::string& fileName) {
    return std::filesystem::path(AbsoluteName(fileName)).parent_path().string();
}

bool IsFile(const std::string& name) {
    std::error_code ignored;
    return platform::StatFile(name).Exists && !std::filesystem::is_directory(name, ignored);
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

} // namespace

bool IsRemoteXMLName(std::string_view name) {
    return LowerAscii(name).find("http://") != std::string::npos;
}

bool IsXMLElementName(std::string_view name) {
    if (name.empty() || !IsNameStart(static_cast<unsigned char>(name.front()))) return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return IsNameChar(static_cast<unsigned char>(c)); });
}

std::string LoadXMLText(pugi::xml_document& doc, std::string_view text,
                        const std::string& fileName) {
    const pugi::xml_parse_result result =
        doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_auto);
    if (result) return {};
    // An empty file holds nothing to keep: it is used as a document without a root.
    if (result.status == pugi::status_no_document_element && IsBlank(text)) {
        doc.reset();
        return {};
    }
    const std::size_t offset =
        std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), text.size());
    const auto line =
        1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n');
    return fileName + ", line " + std::to_string(line) + ": " + result.description();
}

std::string SaveXMLText(pugi::xml_document& doc) {
    // The text is always UTF-8, whatever the file it came from declared.
    pugi::xml_node decl = doc.first_child();
    if (decl.type() != pugi::node_declaration) decl = doc.prepend_child(pugi::node_declaration);
    if (!decl.attribute("version")) decl.prepend_attribute("version") = "1.0";
    pugi::xml_attribute encoding = decl.attribute("encoding");
    if (!encoding) encoding = decl.insert_attribute_after("encoding", decl.attribute("version"));
    if (!encoding) encoding = decl.append_attribute("encoding");
    encoding = "UTF-8";
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

// --- TXMLValSource

void TXMLValSource::WriteValue(const std::string& name, const TXMLVariant& value) {
    if (!IsXMLElementName(name))
        throw EXMLValueViolation("The name " + name + " is not a valid XML element name");
    pugi::xml_node parent = ValueParent(true);
    pugi::xml_node child = parent.child(name.c_str());
    if (!child) child = parent.append_child(name.c_str());
    child.text().set(VarToStr(value).c_str());
    Save();
}

TXMLVariant TXMLValSource::ReadValue(const std::string& name) {
    const pugi::xml_node parent = ValueParent(false);
    if (!parent) return {};
    const char* text = parent.child(name.c_str()).text().get();
    if (*text == '\0') return {};
    return std::string(text);
}

// --- TXMLValSourceFile

TXMLValSourceFile::TXMLValSourceFile(TComponent* owner, std::string name)
    : TXMLValSource(owner, std::move(name)), Watcher_(std::make_unique<TXMLChangeThread>()),
      Alive_(std::make_shared<TXMLValSourceFile*>(this)) {
    NewDocument();
}

TXMLValSourceFile::~TXMLValSourceFile() {
    try {
        Save();
    } catch (const std::exception&) {
        // Without an error handler there is nobody left to tell.
    }
    Watcher_.reset();
    *Alive_ = nullptr;
}

void TXMLValSourceFile::NewDocument() {
    Doc_.reset();
    Root_ = Doc_.append_child(XMLRootName);
}

void TXMLValSourceFile::SetFileName(const std::string& name) {
    if (!FileName_.empty()) Save();
    FileName_ = name;
    LoadError_.clear();
    SaveFailing_ = false;
    Watcher_->SetFileName(name);
    if (!name.empty() && !IsRemoteXMLName(name) && IsFile(name)) {
        if (LoadFile(false)) NotifyRegistered();
    } else {
        Save();
    }
}

bool TXMLValSourceFile::LoadFile(bool keepDocumentOnFailure) {
    constexpr const char* kKept = "\r\nThe file is left as it is and not written while it "
                                  "cannot be read.";
    platform::TFileSnapshot snapshot;
    pugi::xml_document doc;
    try {
        snapshot = platform::ReadFileSnapshot(FileName_);
        LoadError_ = LoadXMLText(doc, snapshot.Text, AbsoluteName(FileName_));
    } catch (const std::system_error& e) {
        LoadError_ = "Cannot read " + AbsoluteName(FileName_) + ": " + e.code().message();
        KnownStamp_ = platform::StatFile(FileName_);
        if (!keepDocumentOnFailure) NewDocument();
        Report(EInOutError(LoadError_ + kKept));
        return false;
    }
    if (!LoadError_.empty()) {
        KnownStamp_ = snapshot.Stamp;
        if (!keepDocumentOnFailure) NewDocument();
        Report(EXMLParseError(LoadError_ + kKept));
        return false;
    }
    Doc_ = std::move(doc);
    Root_ = Doc_.document_element();
    if (!Root_) Root_ = Doc_.append_child(XMLRootName);
    KnownStamp_ = snapshot.Stamp;
    return true;
}

void TXMLValSourceFile::Save() {
    if (FileName_.empty() || IsRemoteXMLName(FileName_) || !LoadError_.empty()) return;
    const std::string text = SaveXMLText(Doc_);
    try {
        KnownStamp_ = platform::ReplaceFileAtomically(FileName_, text);
        SaveFailing_ = false;
    } catch (const std::system_error& e) {
        if (SaveFailing_ && OnError) return; // said once already
        SaveFailing_ = true;
        Report(EInOutError("Cannot save " + FileName_ + " in " + FolderName(FileName_) + ": " +
                           e.code().message()));
    }
}

void TXMLValSourceFile::WriteValue(const std::string& name, const TXMLVariant& value) {
    TXMLValSource::WriteValue(name, value);
    if (OnChange) OnChange(this);
}

void TXMLValSourceFile::Register(TXMLNotifiableComponent* value) {
    if (!value || std::find(Registered_.begin(), Registered_.end(), value) != Registered_.end())
        return;
    Registered_.push_back(value);
    FreeNotification(value);
}

void TXMLValSourceFile::Notification(TComponent* gone) {
    Registered_.erase(std::remove(Registered_.begin(), Registered_.end(), gone), Registered_.end());
}

void TXMLValSourceFile::NotifyRegistered() {
    // A copy: a notified value's handlers may register or drop values.
    const std::vector<TXMLNotifiableComponent*> values = Registered_;
    for (TXMLNotifiableComponent* value : values)
        if (std::find(Registered_.begin(), Registered_.end(), value) != Registered_.end())
            value->XMLChanged();
}

pugi::xml_node TXMLValSourceFile::ValueParent(bool) {
    return Root_;
}

void TXMLValSourceFile::SetCheckForXMLChanges(bool value) {
    if (value && !Post)
        throw EKeltrixError("The file watcher of " + Name() +
                            " has no way to reach the user-interface thread");
    CheckForXMLChanges_ = value;
    if (!value) {
        Watcher_->Suspend();
        return;
    }
    Watcher_->Resume([post = Post, alive = std::weak_ptr<TXMLValSourceFile*>(Alive_)] {
        post([alive] {
            if (const auto source = alive.lock(); source && *source) (*source)->ReloadIfChanged();
        });
    });
}

void TXMLValSourceFile::SetWatchTimes(std::chrono::milliseconds poll,
                                      std::chrono::milliseconds settle) {
    Watcher_->SetTimes(poll, settle);
}

void TXMLValSourceFile::ReloadIfChanged() {
    if (FileName_.empty() || IsRemoteXMLName(FileName_)) return;
    const platform::TFileStamp now = platform::StatFile(FileName_);
    if (now == KnownStamp_) return;
    if (!now.Exists) {
        // Gone: written again from what this source holds; there is nothing left to protect.
        KnownStamp_ = now;
        LoadError_.clear();
        Save();
        return;
    }
    // A broken version keeps the values in memory; the file stays as the other program left it.
    if (!LoadFile(true)) return;
    if (OnChange) OnChange(this);
    NotifyRegistered();
}

// --- TXMLValSourcePathMod

void TXMLValSourcePathMod::SetXMLValSourceFile(TXMLValSourceFile* file) {
    if (File_) RemoveFreeNotification(File_);
    File_ = file;
    if (File_) FreeNotification(File_);
}

void TXMLValSourcePathMod::Notification(TComponent* gone) {
    if (gone == File_) File_ = nullptr;
}

TXMLValSourceFile& TXMLValSourcePathMod::File() {
    if (!File_)
        throw EXMLValueNoValSource("The component " + Name() +
                                   " has no XMLValSourceFile; unable to access XML data.");
    return *File_;
}

void TXMLValSourcePathMod::Save() {
    File().Save();
}

void TXMLValSourcePathMod::Register(TXMLNotifiableComponent* value) {
    // Without a file source there is no document that could be reloaded.
    if (File_) File_->Register(value);
}

pugi::xml_node TXMLValSourcePathMod::ValueParent(bool create) {
    if (!File_ && !create) return {};
    pugi::xml_node node = File().Root();
    std::string_view rest = XMLPathMod;
    while (node && !rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string part(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty()) continue;
        if (!IsXMLElementName(part))
            throw EXMLValueViolation("The path " + XMLPathMod + " of " + Name() +
                                     " is not made of valid XML element names");
        pugi::xml_node next = node.child(part.c_str());
        if (!next && create) next = node.append_child(part.c_str());
        node = next;
    }
    return node;
}

} // namespace keltrix
