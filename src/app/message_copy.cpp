#include "app/message_copy.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace keltrix {

QString TMessageBoxCopy::TextOf(const QMessageBox& box) {
    const QString line = QStringLiteral("---------------------------\n");
    QString buttons;
    for (const QAbstractButton* b : box.buttons()) buttons += b->text() + QStringLiteral("   ");
    QString text = line + box.windowTitle() + "\n" + line + box.text() + "\n" + line;
    if (!box.informativeText().isEmpty()) text += box.informativeText() + "\n" + line;
    return text + buttons + "\n" + line;
}

bool TMessageBoxCopy::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    if (static_cast<QKeyEvent*>(event) != QKeySequence::Copy) return false;
    const auto* box = qobject_cast<const QMessageBox*>(static_cast<QWidget*>(watched)->window());
    if (!box) return false;
    QGuiApplication::clipboard()->setText(TextOf(*box));
    return true;
}

} // namespace keltrix
