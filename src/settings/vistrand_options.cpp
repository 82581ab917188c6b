#include "settings/vistrand_options.h"

#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/layout_text.h"
#include "display/qab_label.h"
#include "platform/paths.h"
#include "settings/config_sets.h"
#include "settings/format_preview.h"
#include "settings/registry_store.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdio>

namespace keltrix {
namespace {

constexpr const char* CrLf = "\r\n";

QString FromCrLf(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// "Lucida Console" where it is installed, else the desktop's fixed-pitch face.
QFont MemoFont() {
    QFont font(QStringLiteral("Lucida Console"), 10);
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
    }
    return font;
}

} // namespace

TOptionForm::TOptionForm(TOptionFormHost host, TOptionFormPrompts prompts, QWidget* parent)
    : QDialog(parent), Host_(std::move(host)), Prompts_(std::move(prompts)) {
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(577, 574);
    BuildControls();
    PreviewSample_.setSingleShot(true);
    PreviewSample_.setInterval(400);
    connect(&PreviewSample_, &QTimer::timeout, this, [this] { MeasureForPreview(); });
    FormCreate();
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::FormCreate() {
    std::vector<std::string> titles;
    for (const auto& formatter : Host_.Layout->Formatters()) formatter->GetTitles(titles);
    for (const std::string& title : titles) lbfmt->addItem(QString::fromStdString(title));
    SetFormatText(Host_.Layout->FormatString());
    if (lbfmt->count() > 0) lbfmt->setCurrentIndex(0);
    lbFmt1Click();
    connect(lbfmt, &QComboBox::currentIndexChanged, this, [this] { lbFmt1Click(); });
    connect(Memo1, &QPlainTextEdit::cursorPositionChanged, this, [this] { UpdatePreview(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { UpdatePreview(); });
    UpdatePreview();
    Memo1->setFocus();
}

void TOptionForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    // The tag list stands 8 pixels from either side (FormResize).
    layout->setContentsMargins(8, 4, 8, 8);

    ToolBar1 = new QToolBar(this);
    const auto tool = [this](const QString& glyph, const char* hint, auto handler) {
        QAction* action = ToolBar1->addAction(glyph);
        action->setToolTip(QString::fromUtf8(hint));
        QFont font = action->font();
        font.setBold(glyph == "B");
        font.setItalic(glyph == "I");
        font.setUnderline(glyph == "U");
        action->setFont(font);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    tool(QStringLiteral("B"), "Bold Text", [this] { ToolButton1Click(); });
    tool(QStringLiteral("I"), "Italic text", [this] { ToolButton2Click(); });
    tool(QStringLiteral("U"), "Underline text", [this] { ToolButton3Click(); });
    ToolBar1->addSeparator();
    tool(QStringLiteral("S"), "Shadow", [this] { ToolButton5Click(); });
    ToolBar1->addSeparator();
    tool(QStringLiteral("C"), "Color", [this] { ToolButton7Click(); });
    layout->addWidget(ToolBar1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setToolTip(QStringLiteral("Your text settings"));
    Memo1->setFont(MemoFont());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo1, 1);
    layout->addWidget(BuildPreview());

    lbfmt = new QComboBox(this);
    lbfmt->setObjectName(QStringLiteral("lbfmt"));
    lbfmt->setMaxVisibleItems(20);
    layout->addWidget(lbfmt);

    auto* description = new QGroupBox(QStringLiteral("Description"), this);
    auto* descriptionLayout = new QVBoxLayout(description);
    meDesc = new QPlainTextEdit(description);
    meDesc->setReadOnly(true);
    meDesc->setFixedHeight(96);
    descriptionLayout->addWidget(meDesc);
    layout->addWidget(description);

    auto* tag = new QGroupBox(QStringLiteral("Tag"), this);
    auto* tagLayout = new QHBoxLayout(tag);
    meTag = new QLineEdit(QStringLiteral("------"), tag);
    Button1 = new QPushButton(QStringLiteral("Add Tag"), tag);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    tagLayout->addWidget(meTag, 1);
    tagLayout->addWidget(Button1);
    layout->addWidget(tag);

    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* caption, const char* hint, auto handler) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        if (hint) b->setToolTip(QString::fromUtf8(hint));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
        return b;
    };
    BitBtn1 = button("Import", nullptr, [this] { BitBtn1Click(); });
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    BitBtn2 = button("Export", nullptr, [this] { BitBtn2Click(); });
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    buttons->addStretch(1);
    btnPreview = button("&Preview",
                        "Preview's your selection; will revert to old settings if you hit Cancel "
                        "subsequently",
                        [this] { btnPreviewClick(); });
    btnApply = button("&Apply",
                      "Applies your selection; will NOT revert to old settings if you hit Cancel "
                      "subsequently",
                      [this] { btnApplyClick(); });
    btnCancel = button("&Cancel", "Cancel any un-applied changes", [this] { btnCancelClick(); });
    btnOK = button("&OK", "Apply changes and close Options dialog", [this] { btnOKClick(); });
    layout->addLayout(buttons);
}

QWidget* TOptionForm::BuildPreview() {
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    PreviewTitle = new QLabel(box);
    layout->addWidget(PreviewTitle);
    auto* scroll = new QScrollArea(box);
    scroll->setObjectName(QStringLiteral("PreviewArea"));
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(false);
    // The line on the display's own colour and in its font.
    PreviewCanvas_ = new QWidget;
    PreviewCanvas_->setAutoFillBackground(true);
    if (Host_.Display) {
        QPalette palette = PreviewCanvas_->palette();
        palette.setColor(QPalette::Window, Host_.Display->palette().color(QPalette::Window));
        PreviewCanvas_->setPalette(palette);
        PreviewCanvas_->setFont(Host_.Display->font());
    }
    PreviewLine = new TQabColorLabel(PreviewCanvas_);
    PreviewLine->setObjectName(QStringLiteral("PreviewLine"));
    PreviewLine->SetFontColor(Host_.Layout->FontColor());
    PreviewLine->move(2, 2);
    const int height = PreviewLine->CurHeight() + 2;
    PreviewCanvas_->resize(400, height);
    scroll->setWidget(PreviewCanvas_);
    scroll->setFixedHeight(height + scroll->horizontalScrollBar()->sizeHint().height() +
                           2 * scroll->frameWidth());
    layout->addWidget(scroll);
    return box;
}

void TOptionForm::SetFormatText(const std::string& formatString) {
    QStringList lines;
    for (const std::string& line : SplitFormatLines(formatString))
        lines << QString::fromStdString(line);
    Memo1->setPlainText(lines.join('\n'));
}

std::string TOptionForm::FormatText() const {
    const QString text = Memo1->toPlainText();
    if (text.isEmpty()) return {};
    std::string result;
    for (const QString& line : text.split('\n')) result += line.toStdString() + CrLf;
    return result;
}

void TOptionForm::lbFmt1Click() {
    if (lbfmt->currentIndex() < 0) return;
    const std::string title = lbfmt->currentText().toStdString();
    meDesc->clear();
    std::string usage;
    for (const auto& formatter : Host_.Layout->Formatters()) {
        if (const std::string description = formatter->GetDescription(title); !description.empty())
            meDesc->appendPlainText(FromCrLf(description));
        usage += formatter->GetDefaultUsage(title);
    }
    meDesc->moveCursor(QTextCursor::Start);
    meTag->setText(QString::fromStdString(usage));
}

void TOptionForm::PutOnClipboard(const QString& text) {
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void TOptionForm::Button1Click() {
    PutOnClipboard(meTag->text());
    Memo1->paste();
    Memo1->setFocus();
}

void TOptionForm::InsertTag(QPlainTextEdit* memo, const QString& openTag, const QString& closeTag) {
    QTextCursor cursor = memo->textCursor();
    if (!cursor.hasSelection()) {
        PutOnClipboard(openTag + closeTag);
        memo->paste();
        cursor = memo->textCursor();
        cursor.setPosition(cursor.position() - static_cast<int>(closeTag.size()));
        memo->setTextCursor(cursor);
        memo->setFocus();
        return;
    }
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    PutOnClipboard(closeTag);
    cursor.setPosition(start + length);
    memo->setTextCursor(cursor);
    memo->paste();
    PutOnClipboard(openTag);
    cursor.setPosition(start);
    memo->setTextCursor(cursor);
    memo->paste();
    const int inner = start + static_cast<int>(openTag.size());
    cursor.setPosition(inner);
    cursor.setPosition(inner + length, QTextCursor::KeepAnchor);
    memo->setTextCursor(cursor);
    memo->setFocus();
}

void TOptionForm::ToolButton1Click() {
    InsertTag(Memo1, QStringLiteral("<B>"), QStringLiteral("</B>"));
}

void TOptionForm::ToolButton2Click() {
    InsertTag(Memo1, QStringLiteral("<I>"), QStringLiteral("</I>"));
}

void TOptionForm::ToolButton3Click() {
    InsertTag(Memo1, QStringLiteral("<U>"), QStringLiteral("</U>"));
}

void TOptionForm::ToolButton5Click() {
    InsertTag(Memo1, QStringLiteral("<S>"), QStringLiteral("</S>"));
}

QString TOptionForm::ColorTag(TColor color) {
    if (const auto ident = ColorToIdent(color))
        return QStringLiteral("<C:%1>").arg(QString::fromStdString(ident->substr(2)));
    return QStringLiteral("<C:$%1%2%3>")
        .arg(RedOf(color), 2, 16, QLatin1Char('0'))
        .arg(GreenOf(color), 2, 16, QLatin1Char('0'))
        .arg(BlueOf(color), 2, 16, QLatin1Char('0'))
        .toUpper();
}

void TOptionForm::ToolButton7Click() {
    if (!Prompts_.ChooseColor) return;
    const auto color = Prompts_.ChooseColor(Host_.Layout->FontColor());
    if (!color) return;
    InsertTag(Memo1, ColorTag(*color), QStringLiteral("</C>"));
}

void TOptionForm::btnPreviewClick() {
    Host_.Layout->SetFromString(FormatText());
    Host_.Layout->SetSize();
}

void TOptionForm::btnApplyClick() {
    btnPreviewClick();
    Host_.Layout->SaveString(FormatText());
    Host_.Layout->SetSize();
}

std::string TOptionForm::BackupFile() {
    return platform::DataDir() + "/temp.kcfg";
}

void TOptionForm::btnOKClick() {
    btnApplyClick();
    if (Imported_) {
        Imported_ = false;
        std::remove(BackupFile().c_str());
    }
    accept();
}

void TOptionForm::btnCancelClick() {
    if (Imported_) {
        // The look of before the import comes back, with its format string.
        std::string text;
        Host_.ConfigSets->LoadSettingFile(BackupFile(), text);
        SetFormatText(text);
        btnApplyClick();
        Imported_ = false;
        std::remove(BackupFile().c_str());
    }
    QDialog::reject();
}

void TOptionForm::reject() {
    btnCancelClick();
}

void TOptionForm::done(int result) {
    FormCloseQuery();
    QDialog::done(result);
}

void TOptionForm::FormCloseQuery() {
    LogAdd("FormCloseQuery");
    if (Host_.Resume) Host_.Resume();
}

void TOptionForm::BitBtn1Click() {
    // Only the first import keeps the look to come back to.
    if (!Imported_) {
        Host_.ConfigSets->PackSettingFile(BackupFile());
        Imported_ = true;
    }
    if (!Prompts_.OpenConfig) return;
    std::string folder;
    for (const std::string& candidate : Host_.ConfigSets->Folders())
        if (QDir(QString::fromStdString(candidate)).exists()) {
            folder = candidate;
            break;
        }
    const auto file = Prompts_.OpenConfig("Import Config...", folder);
    if (!file) return;
    std::string text;
    Host_.ConfigSets->LoadSettingFile(*file, text);
    SetFormatText(text);
    btnApplyClick();
}

void TOptionForm::BitBtn2Click() {
    if (!Prompts_.SaveConfig) return;
    // Sets saved where the program looks for them show in "Fast Config".
    const std::vector<std::string> folders = Host_.ConfigSets->Folders();
    const std::string folder = folders.empty() ? std::string() : folders.front();
    if (!folder.empty()) platform::MakeDirs(folder);
    if (const auto file = Prompts_.SaveConfig("Export Config...", folder))
        Host_.ConfigSets->PackSettingFile(*file);
}

void TOptionForm::LoadPlacement() {
    TRegistryStore& settings = *Host_.Settings;
    try {
        if (settings.ValueExists("Option_MAX") && settings.ReadBool("Option_MAX")) {
            setWindowState(windowState() | Qt::WindowMaximized);
            return;
        }
        QRect frame(pos(), size());
        if (settings.ValueExists("Option_X")) frame.moveLeft(settings.ReadInteger("Option_X"));
        if (settings.ValueExists("Option_Y")) frame.moveTop(settings.ReadInteger("Option_Y"));
        if (settings.ValueExists("Option_W")) frame.setWidth(settings.ReadInteger("Option_W"));
        if (settings.ValueExists("Option_H")) frame.setHeight(settings.ReadInteger("Option_H"));
        // A place on a screen that is gone would hide the dialog: it keeps its own then.
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(frame);
        if (frame.width() > 0 && frame.height() > 0) resize(frame.size());
        if (onScreen) move(frame.topLeft());
    } catch (const std::exception&) {
        // Unreadable placement values leave the designed one.
    }
}

void TOptionForm::StorePlacement() {
    TRegistryStore& settings = *Host_.Settings;
    try {
        if (windowState() & Qt::WindowMaximized) {
            settings.WriteBool("Option_MAX", true);
            return;
        }
        settings.WriteBool("Option_MAX", false);
        settings.WriteInteger("Option_X", x());
        settings.WriteInteger("Option_Y", y());
        settings.WriteInteger("Option_W", width());
        settings.WriteInteger("Option_H", height());
    } catch (const std::exception&) {
        // The placement is a convenience: a store that cannot be written loses only it.
    }
}

void TOptionForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdatePreview();
}

void TOptionForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TOptionForm::FormResize() {
    LogAdd("FormResize");
    lbfmt->setGeometry(8, lbfmt->y(), width() - 16, lbfmt->height());
}

std::unique_lock<std::recursive_mutex> TOptionForm::ViewLock() const {
    std::recursive_mutex* lock = Host_.Layout->Hooks().ViewLock;
    return lock ? std::unique_lock<std::recursive_mutex>(*lock)
                : std::unique_lock<std::recursive_mutex>();
}

void TOptionForm::UpdatePreview() {
    const QTextCursor cursor = Memo1->textCursor();
    PreviewLineText_ = cursor.block().text().toStdString();
    PreviewTitle->setText(
        QStringLiteral("Line %1 as the display shows it:").arg(cursor.blockNumber() + 1));
    QFont font = PreviewCanvas_->font();
    TPreviewLine preview;
    try {
        // The web service reads the formatters' Active flags, which the preview turns for a while.
        const auto view = ViewLock();
        preview = RenderPreviewLine(Host_.Layout->Formatters(), PreviewLineText_,
                                    {font.bold(), font.italic(), font.underline()});
    } catch (const std::exception& e) {
        preview.Caption = std::string("<C:Red>") + e.what();
    }
    // Narrow again first: the label widens its canvas to what it draws.
    PreviewCanvas_->resize(
        std::max(PreviewCanvas_->parentWidget() ? PreviewCanvas_->parentWidget()->width() : 0, 1),
        PreviewCanvas_->height());
    PreviewLine->setText(QString::fromStdString(preview.Caption));
    QStringList unknown;
    for (const std::string& name : preview.UnknownTags) unknown << QString::fromStdString(name);
    PreviewLine->setToolTip(unknown.isEmpty() ? QString()
                                              : QStringLiteral("No tag is named: ") +
                                                    unknown.join(QStringLiteral(", ")));
    // An editor made unseen for a config set measures nothing.
    if (!isVisible()) return;
    for (const TFormatter* formatter : preview.Unmeasured)
        if (!Measured_.count(formatter)) PreviewSample_.start();
}

void TOptionForm::MeasureForPreview() {
    if (!Host_.SampleNow) return;
    const auto view = ViewLock();
    TFormatterList& formatters = Host_.Layout->Formatters();
    std::vector<bool> wasActive;
    for (auto& formatter : formatters) {
        wasActive.push_back(formatter->Active);
        if (!formatter->Active) formatter->DecideIfActive(PreviewLineText_);
    }
    const auto restore = [&] {
        for (std::size_t i = 0; i < formatters.size(); ++i) {
            if (!wasActive[i] && formatters[i]->Active) Measured_.insert(formatters[i].get());
            formatters[i]->Active = wasActive[i];
        }
    };
    try {
        Host_.SampleNow();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    UpdatePreview();
}

} // namespace keltrix
