#include "update/updatesettings.h"

#include "base/application_title.h"
#include "update/update_check.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace keltrix {

Tupddlg::Tupddlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Update Settings"));
    setModal(true);

    CheckBox1 = new QCheckBox(QStringLiteral("&Enable Update"), this);
    GroupBox1 = new QGroupBox(this);
    CheckBox2 = new QCheckBox(QStringLiteral("&Check at startup"), GroupBox1);
    CheckBox3 = new QCheckBox(QStringLiteral("&Poll every"), GroupBox1);
    Edit1 = new QLineEdit(QStringLiteral("12"), GroupBox1);
    Edit1->setMaxLength(5);
    Edit1->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    Label1 = new QLabel(QStringLiteral("Day"), GroupBox1);
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("C&ancel"), this);

    auto* poll = new QHBoxLayout;
    poll->addWidget(CheckBox3);
    poll->addWidget(Edit1);
    poll->addWidget(Label1);
    poll->addStretch();
    auto* inside = new QVBoxLayout(GroupBox1);
    inside->addWidget(CheckBox2);
    inside->addLayout(poll);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* all = new QVBoxLayout(this);
    all->addWidget(CheckBox1); // the group's title
    all->addWidget(GroupBox1);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border

    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(CheckBox3, &QCheckBox::clicked, this, [this] { CheckBox3Click(); });
    connect(Button1, &QPushButton::clicked, this, &Tupddlg::accept);
    connect(Button2, &QPushButton::clicked, this, &Tupddlg::reject);
    CheckBox1Click();

    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tupddlg::Fill(bool updateEnabled, bool atStartup, std::uint16_t pollDays) {
    CheckBox1->setChecked(updateEnabled);
    CheckBox2->setChecked(atStartup);
    CheckBox3->setChecked(pollDays != 0);
    Edit1->setText(QString::number(pollDays));
    CheckBox1Click();
}

void Tupddlg::CheckBox1Click() {
    const bool on = CheckBox1->isChecked();
    CheckBox2->setEnabled(on);
    CheckBox3->setEnabled(on);
    Edit1->setEnabled(CheckBox3->isChecked() && CheckBox3->isEnabled());
    Label1->setEnabled(CheckBox3->isEnabled());
}

void Tupddlg::CheckBox3Click() {
    Edit1->setEnabled(CheckBox3->isChecked());
}

bool Tupddlg::UpdateEnabled() const {
    return CheckBox1->isChecked();
}

bool Tupddlg::CheckAtStartup() const {
    return CheckBox2->isChecked();
}

std::optional<std::uint16_t> Tupddlg::PollDays() const {
    if (!CheckBox3->isChecked()) return 0;
    return PollDaysFrom(Edit1->text().toStdString());
}

void Tupddlg::accept() {
    if (!PollDays()) {
        QMessageBox::warning(this, QString::fromUtf8(ApplicationTitle),
                             Edit1->text() + QString::fromLatin1(InvalidDays));
        if (Edit1->isEnabled()) {
            Edit1->setFocus();
            Edit1->selectAll();
        }
        return;
    }
    QDialog::accept();
}

} // namespace keltrix
