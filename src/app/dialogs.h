#pragma once
// The prompts the commands use: one-line input boxes, message boxes and the bypassable
// question. Callers bracket them with Suspend/Resume and the pin-to-desktop hold.

#include <QMessageBox>

#include <optional>
#include <string>

class QWidget;

namespace keltrix {

// OK gives the edited text, Cancel nothing.
std::optional<std::string> InputBox(QWidget* parent, const std::string& title,
                                    const std::string& prompt, const std::string& value);

enum class TQuestionKind { Warning, Confirmation };
// With "Bypass confirm" on, the default answer without showing anything.
QMessageBox::StandardButton
AskBypassable(QWidget* parent, bool bypass, TQuestionKind kind, const std::string& text,
              QMessageBox::StandardButton defaultAnswer = QMessageBox::Yes);
void ShowInformation(QWidget* parent, const std::string& text);
void ShowWarning(QWidget* parent, const std::string& text);
// The same box without waiting for it: the program goes on while it is shown.
void ShowWarningAside(QWidget* parent, const std::string& text);

} // namespace keltrix
