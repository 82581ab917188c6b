#include "app/hotkey_dialog.h"

#include "app/hotkey_convert.h"
#include "platform/virtual_keys.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace keltrix {
namespace {

// The control's text, as the hotkey controls of the desktop show it.
QString HotKeyText(std::uint16_t keyCode) {
    if ((keyCode & 0xFF) == 0) return QStringLiteral("None");
    return QString::fromStdString(ShortCutText(keyCode)).replace("+", " + ");
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R || key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R;
}

} // namespace

THotKeyEdit::THotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    SetHotKey(scAlt | 'A'); // as designed
}

void THotKeyEdit::SetHotKey(std::uint16_t keyCode) {
    HotKey_ = keyCode;
    setText(HotKeyText(keyCode));
}

std::uint32_t THotKeyEdit::VirtualKeyOf(const QKeyEvent& event) const {
    // The key's place on the keyboard first, so that Shift+1 is 1 and not "!".
    if (VirtualKeyOfKeyCode && event.nativeScanCode() != 0)
        if (const std::uint32_t vk = VirtualKeyOfKeyCode(event.nativeScanCode())) return vk;
    if (event.nativeVirtualKey() != 0)
        if (const std::uint32_t vk = platform::KeysymToVirtualKey(event.nativeVirtualKey()))
            return vk;
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<std::uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + std::uint32_t(key - Qt::Key_F1);
    return 0;
}

bool THotKeyEdit::event(QEvent* e) {
    // Tab with a modifier is a combination to capture, not a move to the next control.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void THotKeyEdit::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if (IsModifierKey(key)) {
        ShowModifiers(mods);
        return;
    }
    // Plain Escape, Enter and Tab work the dialog.
    if (mods == Qt::NoModifier &&
        (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter ||
         key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
        event->ignore();
        return;
    }
    const std::uint32_t vk = VirtualKeyOf(*event);
    if (vk == 0 || vk > 0xFF) {
        event->accept();
        return;
    }
    std::uint16_t code = static_cast<std::uint16_t>(vk);
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
        code |= scAlt;
    } else {
        if (mods & Qt::ShiftModifier) code |= scShift;
        if (mods & Qt::ControlModifier) code |= scCtrl;
        if (mods & Qt::AltModifier) code |= scAlt;
    }
    SetHotKey(code);
    event->accept();
}

void THotKeyEdit::keyReleaseEvent(QKeyEvent* event) {
    // Modifiers let go without a key: the control shows its value again.
    if (IsModifierKey(event->key())) SetHotKey(HotKey_);
    event->accept();
}

void THotKeyEdit::ShowModifiers(Qt::KeyboardModifiers mods) {
    QString text;
    if (mods & Qt::ShiftModifier) text += "Shift + ";
    if (mods & Qt::ControlModifier) text += "Ctrl + ";
    if (mods & Qt::AltModifier) text += "Alt + ";
    setText(text.isEmpty() ? HotKeyText(HotKey_) : text);
}

THotKeyDlg::THotKeyDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Set HotKey");
    // A fixed dialog border: a title and a close button, nothing to resize or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Label1 = new QLabel(this);
    HotKey1 = new THotKeyEdit(this);
    HotKey1->setMinimumWidth(220);
    Cancel = new QPushButton("Cancel", this);
    Ok = new QPushButton("Ok", this);
    UnAssign = new QPushButton("UnAssign", this);
    Cancel->setAutoDefault(false);
    UnAssign->setAutoDefault(false);
    Ok->setDefault(true);
    connect(Cancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(Ok, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(UnAssign, &QPushButton::clicked, this, [this] { done(mrUnAssign); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Cancel);
    buttons->addStretch();
    buttons->addWidget(Ok);
    buttons->addWidget(UnAssign);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(HotKey1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void THotKeyDlg::reject() {
    done(mrCancel);
}

int THotKeyDlg::Execute(const std::string& caption, std::uint16_t& keyCode) {
    Label1->setText(QString::fromStdString(caption));
    HotKey1->SetHotKey(keyCode);
    HotKey1->setFocus();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    const int result = exec();
    keyCode = HotKey1->HotKey();
    return result;
}

} // namespace keltrix
