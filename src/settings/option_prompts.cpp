// The format editor's real dialogs: config-set files to open and to save, and a colour.
#include "settings/vistrand_options.h"

#include "display/color_resolve.h"

#include <QColorDialog>
#include <QFileDialog>

namespace keltrix {
namespace {

std::optional<std::string> ChooseConfigFile(QWidget* parent, const std::string& title,
                                            const std::string& folder, bool save) {
    QFileDialog dialog(parent, QString::fromStdString(title), QString::fromStdString(folder),
                       QStringLiteral("Keltrix Config Files (*.kcfg *.KCFG)"));
    dialog.setDefaultSuffix(QStringLiteral("kcfg"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving asks before replacing a file; opening takes only a file that exists.
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace

TOptionFormPrompts QtOptionFormPrompts(QWidget* parent) {
    TOptionFormPrompts prompts;
    prompts.OpenConfig = [parent](const std::string& title, const std::string& folder) {
        return ChooseConfigFile(parent, title, folder, false);
    };
    prompts.SaveConfig = [parent](const std::string& title, const std::string& folder) {
        return ChooseConfigFile(parent, title, folder, true);
    };
    prompts.ChooseColor = [parent](TColor initial) -> std::optional<TColor> {
        const QColor chosen = QColorDialog::getColor(ColorToQColor(initial, Qt::black), parent,
                                                     QStringLiteral("Color"));
        if (!chosen.isValid()) return std::nullopt;
        return RGBColor(static_cast<std::uint8_t>(chosen.red()),
                        static_cast<std::uint8_t>(chosen.green()),
                        static_cast<std::uint8_t>(chosen.blue()));
    };
    return prompts;
}

} // namespace keltrix
