#include "settings/xml_controls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QRadioButton>
#include <QVBoxLayout>

#include <limits>

namespace keltrix {
namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void TXMLEdit::XMLRefresh() {
    // The user's typing is not overwritten while the user is at it.
    if (XMLLink() && !hasFocus()) setText(Text(XMLLink()->GetAsText()));
}

void TXMLEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (XMLLink()) XMLLink()->SetAsText(text().toStdString());
}

TXMLSpinEdit::TXMLSpinEdit(QWidget* parent) : TXMLLinked(parent) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void TXMLSpinEdit::XMLRefresh() {
    if (!XMLLink() || hasFocus()) return;
    setValue(XMLTextToInt(XMLLink()->GetAsText()).value_or(0));
}

void TXMLSpinEdit::focusOutEvent(QFocusEvent* event) {
    QSpinBox::focusOutEvent(event);
    if (XMLLink()) XMLLink()->SetAsText(text().toStdString());
}

void TXMLCheckBox::XMLRefresh() {
    if (XMLLink()) setChecked(XMLLink()->GetAsBoolean());
}

void TXMLCheckBox::Store() {
    if (XMLLink()) XMLLink()->SetAsBoolean(isChecked());
}

void TXMLCheckBox::nextCheckState() {
    QCheckBox::nextCheckState();
    Store();
}

void TXMLCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    Store();
}

TXMLTrackBar::TXMLTrackBar(QWidget* parent) : TXMLLinked(Qt::Horizontal, parent) {}

void TXMLTrackBar::XMLRefresh() {
    if (XMLLink()) setValue(XMLLink()->GetAsInteger());
}

void TXMLTrackBar::focusOutEvent(QFocusEvent* event) {
    QSlider::focusOutEvent(event);
    if (XMLLink()) XMLLink()->SetAsInteger(value());
}

TXMLRadioGroup::TXMLRadioGroup(QWidget* parent)
    : TXMLLinked(parent), Buttons_(new QButtonGroup(this)) {
    new QVBoxLayout(this);
}

void TXMLRadioGroup::SetItems(const QStringList& items) {
    for (QAbstractButton* button : Buttons_->buttons()) {
        Buttons_->removeButton(button);
        delete button;
    }
    Items_ = items;
    for (int i = 0; i < Items_.size(); ++i) {
        auto* button = new QRadioButton(Items_[i], this);
        button->installEventFilter(this);
        Buttons_->addButton(button, i);
        layout()->addWidget(button);
    }
    XMLRefresh();
}

int TXMLRadioGroup::ItemIndex() const {
    return Buttons_->checkedId();
}

void TXMLRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = Buttons_->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last button.
    if (QAbstractButton* checked = Buttons_->checkedButton()) {
        Buttons_->setExclusive(false);
        checked->setChecked(false);
        Buttons_->setExclusive(true);
    }
}

TXMLValueInt* TXMLRadioGroup::IndexValue() const {
    return SaveIndexAsInt ? dynamic_cast<TXMLValueInt*>(XMLLink()) : nullptr;
}

void TXMLRadioGroup::XMLRefresh() {
    if (!XMLLink()) return;
    if (TXMLValueInt* number = IndexValue()) {
        SetItemIndex(number->GetAsInteger());
    } else {
        const QString text = Text(XMLLink()->GetAsText());
        int found = -1;
        for (int i = 0; i < Items_.size() && found < 0; ++i)
            if (Items_[i].compare(text, Qt::CaseInsensitive) == 0) found = i;
        SetItemIndex(found);
    }
}

void TXMLRadioGroup::Store() {
    if (!XMLLink()) return;
    const int index = ItemIndex();
    if (TXMLValueInt* number = IndexValue()) {
        number->SetAsInteger(index);
    } else if (index >= 0) {
        // With nothing selected there is no text to store, and the stored one stays.
        XMLLink()->SetAsText(Items_[index].toStdString());
    }
}

bool TXMLRadioGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving the group, not moving between its buttons.
        QWidget* next = QApplication::focusWidget();
        if (!next || !isAncestorOf(next)) Store();
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace keltrix
