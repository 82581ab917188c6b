#include "app/dialogs.h"
#include "base/application_title.h"

#include <QApplication>
#include <QInputDialog>

namespace keltrix {
namespace {
// The program's texts break lines with CR LF; Qt wants LF alone.
QString Q(const std::string& s) {
    return QString::fromStdString(s).replace("\r\n", "\n");
}
} // namespace

std::optional<std::string> InputBox(QWidget* parent, const std::string& title,
                                    const std::string& prompt, const std::string& value) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, Q(title), Q(prompt), QLineEdit::Normal, Q(value), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

QMessageBox::StandardButton AskBypassable(QWidget* parent, bool bypass, TQuestionKind kind,
                                          const std::string& text,
                                          QMessageBox::StandardButton defaultAnswer) {
    if (bypass) return defaultAnswer;
    const QString title = QString::fromUtf8(ApplicationTitle);
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    return kind == TQuestionKind::Warning
               ? QMessageBox::warning(parent, title, Q(text), buttons, defaultAnswer)
               : QMessageBox::question(parent, title, Q(text), buttons, defaultAnswer);
}

void ShowInformation(QWidget* parent, const std::string& text) {
    QMessageBox::information(parent, QString::fromUtf8(ApplicationTitle), Q(text));
}

void ShowWarning(QWidget* parent, const std::string& text) {
    QMessageBox::warning(parent, QString::fromUtf8(ApplicationTitle), Q(text));
}

void ShowWarningAside(QWidget* parent, const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(ApplicationTitle), Q(text),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace keltrix
