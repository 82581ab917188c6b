#pragma once
// "Update Settings" (Tupddlg): update on or off, the check at start-up and the poll period.

#include <QDialog>

#include <cstdint>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keltrix {

class Tupddlg : public QDialog {
public:
    static constexpr const char* InvalidDays = " is not a number of days from 0 to 65535";

    explicit Tupddlg(QWidget* parent = nullptr);

    // CheckBox1 update enabled, CheckBox2 check at start-up, CheckBox3 and Edit1 the poll
    // period; then the enabling rules.
    void Fill(bool updateEnabled, bool atStartup, std::uint16_t pollDays);
    bool UpdateEnabled() const;
    bool CheckAtStartup() const;
    // Edit1 when CheckBox3 is checked (enabled or not), else 0; nullopt when Edit1 is not a
    // number of days.
    std::optional<std::uint16_t> PollDays() const;

    void CheckBox1Click();
    void CheckBox3Click();

    QGroupBox* GroupBox1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QLineEdit* Edit1;
    QLabel* Label1;
    QPushButton* Button1;
    QPushButton* Button2;

    // OK keeps the dialog open while the period is not a number of days, and says so.
    void accept() override;
};

} // namespace keltrix
