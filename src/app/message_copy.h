#pragma once
// Ctrl+C on a message box copies its title, text and buttons, as message boxes on Windows do.

#include <QObject>
#include <QString>

class QMessageBox;

namespace keltrix {

class TMessageBoxCopy : public QObject {
public:
    using QObject::QObject;
    // The clipboard text of a box: its parts between lines of dashes.
    static QString TextOf(const QMessageBox& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace keltrix
