#include "app/ui/tncstepsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

namespace {

const char *const kValueProperty = "tncValue";

} // namespace

TncStepsDialog::TncStepsDialog(const QList<devicerules::TncFlag> &flags, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Clear TNC Steps"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Steps to clear on the device:"), this));
    for (const devicerules::TncFlag &flag : flags) {
        auto *checkBox = new QCheckBox(flag.name, this);
        checkBox->setProperty(kValueProperty, QVariant(uint(flag.value)));
        layout->addWidget(checkBox);
        m_checkBoxes << checkBox;
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton *clear = buttons->addButton(QStringLiteral("Clear"), QDialogButtonBox::AcceptRole);
    clear->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::uint8_t TncStepsDialog::checkedValue() const
{
    std::uint8_t value = 0;
    for (const QCheckBox *checkBox : m_checkBoxes)
        if (checkBox->isChecked())
            value |= std::uint8_t(checkBox->property(kValueProperty).toUInt());
    return value;
}
