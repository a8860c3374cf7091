#pragma once

#include "app/shell/devicerules.h"

#include <QDialog>
#include <QList>

#include <cstdint>

class QCheckBox;

// "Clear TNC Steps": one check box per step the device can have cleared, and "Clear".
class TncStepsDialog : public QDialog
{
    Q_OBJECT

public:
    TncStepsDialog(const QList<devicerules::TncFlag> &flags, QWidget *parent = nullptr);

    // The OR of the checked steps' values.
    [[nodiscard]] std::uint8_t checkedValue() const;
    [[nodiscard]] const QList<QCheckBox *> &checkBoxes() const { return m_checkBoxes; }

private:
    QList<QCheckBox *> m_checkBoxes;
};
