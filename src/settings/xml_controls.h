#pragma once
// Controls bound to XML settings values: each shows its value, is refreshed when the value
// changes, and writes the user's input back when the user leaves it (the check box also on
// every click). Errors of the write (a violated limit) go to the general error handler.

#include "settings/xml_value.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QStringList>

class QButtonGroup;

namespace keltrix {

// A widget of kind TWidget bound to a value of kind TValue through its XMLLink.
template <class TWidget, class TValue = TXMLValue>
class TXMLLinked : public TWidget, public IXMLLinkedControl {
public:
    using TWidget::TWidget;
    TValue* XMLLink() const { return static_cast<TValue*>(Link_.Get()); }
    // Registers with the value and shows it.
    void SetXMLLink(TValue* value) { Link_.Set(value); }

private:
    TXMLControlLink Link_{*this};
};

class TXMLEdit : public TXMLLinked<QLineEdit> {
public:
    using TXMLLinked::TXMLLinked;
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

class TXMLSpinEdit : public TXMLLinked<QSpinBox> {
public:
    // Without limits of its own, as the value has its own.
    explicit TXMLSpinEdit(QWidget* parent = nullptr);
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

class TXMLCheckBox : public TXMLLinked<QCheckBox, TXMLValueBool> {
public:
    using TXMLLinked::TXMLLinked;
    void XMLRefresh() override;

protected:
    void nextCheckState() override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Store();
};

class TXMLTrackBar : public TXMLLinked<QSlider, TXMLValueInt> {
public:
    explicit TXMLTrackBar(QWidget* parent = nullptr);
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// A group of radio buttons, one per item; item index -1 when none is selected.
class TXMLRadioGroup : public TXMLLinked<QGroupBox> {
public:
    explicit TXMLRadioGroup(QWidget* parent = nullptr);
    void XMLRefresh() override;

    // Store the item index instead of the item's text (only with an integer value).
    bool SaveIndexAsInt = false;
    void SetItems(const QStringList& items);
    const QStringList& Items() const { return Items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TXMLValueInt* IndexValue() const;
    void Store();

    QStringList Items_;
    QButtonGroup* Buttons_;
};

} // namespace keltrix
