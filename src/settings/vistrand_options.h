#pragma once
// The format editor ("Options"): the text box holding the display's format string, the tag
// list with each tag's description and default usage, the markup buttons, Preview and Apply
// on the display, Import and Export of config sets (Cancel undoes an import), and a preview of
// the line at the caret rendered from the current record.

#include "display/colors.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QWidget;

namespace keltrix {

class TConfigSets;
class TDisplayLayout;
class TFormatter;
class TQabColorLabel;
class TRegistryStore;

struct TOptionFormHost {
    TDisplayLayout* Layout = nullptr;   // the formatters, the current format string, Apply
    TRegistryStore* Settings = nullptr; // the stored placement
    TConfigSets* ConfigSets = nullptr;  // Import, Export, Cancel after an import
    QWidget* Display = nullptr;         // its font and colour, for the preview line
    std::function<void()> Resume;       // closing resumes sampling
    // One sample now, with the formatters' Active flags as they are: measures what the
    // preview line uses and the display does not.
    std::function<void()> SampleNow;
};

// The editor's dialogs; tests answer for the user.
struct TOptionFormPrompts {
    // title, starting folder (empty: the current one); none on Cancel.
    std::function<std::optional<std::string>(const std::string&, const std::string&)> OpenConfig;
    std::function<std::optional<std::string>(const std::string&, const std::string&)> SaveConfig;
    std::function<std::optional<TColor>(TColor initial)> ChooseColor;
};
TOptionFormPrompts QtOptionFormPrompts(QWidget* parent);

class TOptionForm : public QDialog {
public:
    TOptionForm(TOptionFormHost host, TOptionFormPrompts prompts, QWidget* parent = nullptr);
    ~TOptionForm() override;

    // Fields separated by sep, as CountFields and GetField count them.
    static std::int32_t CountFilt(const std::string& text, const std::string& sep);
    static std::string GetFilt(const std::string& text, std::int32_t n, const std::string& sep);

    // The text box from a format string, one line per CR LF field (the CR LF that ends the
    // last line starts no empty one).
    void SetFormatText(const std::string& formatString);
    // The text box's lines, each ended by CR LF: what Apply stores.
    std::string FormatText() const;

    // The handlers of the dialog's controls.
    void lbFmt1Click();
    void Button1Click(); // "Add Tag"
    void InsertTag(QPlainTextEdit* memo, const QString& openTag, const QString& closeTag);
    void ToolButton1Click(); // "Bold Text"
    void ToolButton2Click(); // "Italic text"
    void ToolButton3Click(); // "Underline text"
    void ToolButton5Click(); // "Shadow"
    void ToolButton7Click(); // "Color"
    void btnPreviewClick();
    void btnApplyClick();
    void btnOKClick();
    void btnCancelClick();
    void BitBtn1Click(); // "Import"
    void BitBtn2Click(); // "Export"

    // The stored placement: applied before the dialog shows, stored after it closed.
    void LoadPlacement();
    void StorePlacement();

    bool Imported() const { return Imported_; }
    // "temp.kcfg" in the data folder: the stored look of before an import.
    static std::string BackupFile();
    // The colour tag for a chosen colour: <C:Red> for a named colour, else <C:$RRGGBB>.
    static QString ColorTag(TColor color);

    // The controls, named as on the form.
    QToolBar* ToolBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QComboBox* lbfmt = nullptr;
    QPlainTextEdit* meDesc = nullptr;
    QLineEdit* meTag = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
    // The line at the caret as the display shows it.
    QLabel* PreviewTitle = nullptr;
    TQabColorLabel* PreviewLine = nullptr;

    void reject() override; // Esc and the close box cancel
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void BuildControls();
    QWidget* BuildPreview();
    void FormResize();
    void FormCloseQuery();
    void PutOnClipboard(const QString& text);
    void UpdatePreview();
    void MeasureForPreview();
    std::unique_lock<std::recursive_mutex> ViewLock() const;

    TOptionFormHost Host_;
    TOptionFormPrompts Prompts_;
    bool Imported_ = false;
    QWidget* PreviewCanvas_ = nullptr;
    QTimer PreviewSample_;
    // Formatters sampled for the preview since the dialog opened.
    std::set<const TFormatter*> Measured_;
    std::string PreviewLineText_;
};

} // namespace keltrix
