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

class TXMLEdit : public QLineEdit, public IXMLLinkedControl {
public:
    explicit TXMLEdit(QWidget* parent = nullptr);
    TXMLValue* XMLLink() const { return Link_.Get(); }
    void SetXMLLink(TXMLValue* value) { Link_.Set(value); }
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TXMLControlLink Link_{*this};
};

class TXMLSpinEdit : public QSpinBox, public IXMLLinkedControl {
public:
    // Without limits of its own, as the value has its own.
    explicit TXMLSpinEdit(QWidget* parent = nullptr);
    TXMLValue* XMLLink() const { return Link_.Get(); }
    void SetXMLLink(TXMLValue* value) { Link_.Set(value); }
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TXMLControlLink Link_{*this};
};

class TXMLCheckBox : public QCheckBox, public IXMLLinkedControl {
public:
    explicit TXMLCheckBox(QWidget* parent = nullptr);
    TXMLValueBool* XMLLink() const { return Value_; }
    void SetXMLLink(TXMLValueBool* value);
    void XMLRefresh() override;

protected:
    void nextCheckState() override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Store();
    TXMLValueBool* Value_ = nullptr;
    TXMLControlLink Link_{*this};
};

class TXMLTrackBar : public QSlider, public IXMLLinkedControl {
public:
    explicit TXMLTrackBar(QWidget* parent = nullptr);
    TXMLValueInt* XMLLink() const { return Value_; }
    void SetXMLLink(TXMLValueInt* value);
    void XMLRefresh() override;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    TXMLValueInt* Value_ = nullptr;
    TXMLControlLink Link_{*this};
};

// A group of radio buttons, one per item; item index -1 when none is selected.
class TXMLRadioGroup : public QGroupBox, public IXMLLinkedControl {
public:
    explicit TXMLRadioGroup(QWidget* parent = nullptr);
    TXMLValue* XMLLink() const { return Link_.Get(); }
    void SetXMLLink(TXMLValue* value) { Link_.Set(value); }
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
    TXMLControlLink Link_{*this};
};

} // namespace keltrix
