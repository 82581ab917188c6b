#pragma once
// "Set HotKey": a capture control that takes the combination the user presses, and the
// buttons Cancel (2), Ok (1) and UnAssign (3).

#include <QDialog>
#include <QLineEdit>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace keltrix {

// The hotkey capture control: a key pressed without modifier, or with Shift alone, is taken
// with Alt instead. Its value is the dialog's key code (see hotkey_convert.h).
class THotKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit THotKeyEdit(QWidget* parent = nullptr);

    std::uint16_t HotKey() const { return HotKey_; }
    void SetHotKey(std::uint16_t keyCode);

    // The virtual key of a hardware key code on the keyboard's first level (0 when unknown).
    std::function<std::uint32_t(std::uint32_t keyCode)> VirtualKeyOfKeyCode;

    // The virtual key of a key event, 0 for keys a hotkey cannot be.
    std::uint32_t VirtualKeyOf(const QKeyEvent& event) const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void ShowModifiers(Qt::KeyboardModifiers modifiers);
    std::uint16_t HotKey_ = 0;
};

class THotKeyDlg : public QDialog {
    Q_OBJECT
public:
    explicit THotKeyDlg(QWidget* parent = nullptr);

    // Shows the dialog modally with caption as its label and keyCode in the capture control;
    // keyCode takes the control's value whichever button closed it. Returns the modal result.
    int Execute(const std::string& caption, std::uint16_t& keyCode);

    void reject() override; // Escape and the window's close button: Cancel

    QLabel* Label1 = nullptr;
    THotKeyEdit* HotKey1 = nullptr;
    QPushButton* Cancel = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* UnAssign = nullptr;
};

inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrUnAssign = 3;

} // namespace keltrix
