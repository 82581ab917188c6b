#pragma once
// The dragging handle: Keltrix's icon in the window's corner, or, hidden, a patch of the
// window colour. It is part of the window's background for dragging.

#include <QWidget>

namespace keltrix {

class TDragHandle : public QWidget {
public:
    explicit TDragHandle(QWidget* window);

    bool Shown() const { return Shown_; }
    void SetShown(bool shown);
    // Shown, it stays in sight over the lines; hidden, its patch of colour lies under them.
    void Restack();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool Shown_ = false;
};

} // namespace keltrix
