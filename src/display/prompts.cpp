#include "display/prompts.h"

#include "display/color_resolve.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

namespace keltrix {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QIcon Swatch(TColor color) {
    QPixmap swatch(16, 16);
    swatch.fill(ColorToQColor(color, Qt::black));
    return QIcon(swatch);
}

std::optional<TFontChoice> ChooseFont(QWidget* parent, const TFontChoice& initial,
                                      const std::function<void(const TFontChoice&)>& apply) {
    // Qt's own dialog (not the desktop's) so that Apply and Color can join its buttons.
    QFontDialog dialog(initial.Font, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Font"));
    TColor color = initial.Color;
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        QPushButton* colorButton =
            buttons->addButton(QStringLiteral("&Color..."), QDialogButtonBox::ActionRole);
        colorButton->setIcon(Swatch(color));
        QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
            const QColor chosen = QColorDialog::getColor(ColorToQColor(color, Qt::black), &dialog,
                                                         QStringLiteral("Color"));
            if (!chosen.isValid()) return;
            color = RGBColor(static_cast<std::uint8_t>(chosen.red()),
                             static_cast<std::uint8_t>(chosen.green()),
                             static_cast<std::uint8_t>(chosen.blue()));
            colorButton->setIcon(Swatch(color));
        });
        QPushButton* applyButton = buttons->addButton(QDialogButtonBox::Apply);
        applyButton->setText(QStringLiteral("&Apply")); // reachable from the keyboard
        QObject::connect(applyButton, &QPushButton::clicked, &dialog, [&] {
            apply({dialog.currentFont(), color});
        });
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TFontChoice{dialog.selectedFont(), color};
}

} // namespace

TPrompts QtPrompts(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    TPrompts prompts;
    prompts.InputQuery = [owner](const std::string& title, const std::string& prompt,
                                 const std::string& initial) -> std::optional<std::string> {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(owner, Q(title), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
        if (!ok) return std::nullopt;
        return answer.toStdString();
    };
    prompts.AskWarningYesNo = [owner](const std::string& text) {
        return QMessageBox::warning(owner, QStringLiteral("Warning"), Q(text),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    prompts.Warning = [owner](const std::string& text) {
        QMessageBox::warning(owner, QStringLiteral("Warning"), Q(text), QMessageBox::Ok);
    };
    prompts.ChooseFont = [owner](const TFontChoice& initial,
                                 const std::function<void(const TFontChoice&)>& apply) {
        return ChooseFont(owner, initial, apply);
    };
    return prompts;
}

} // namespace keltrix
