#pragma once

#include "models/modeldiff.h"

#include <QDialog>

class DifferenceTable;
class QLabel;
class QTableView;

// Shows what "Use Computer Settings" would change on the device: one row per setting with
// the computer's and the device's value, or a line saying there is nothing to change.
class DifferencesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DifferencesDialog(QList<ModelDifference> differences, QWidget *parent = nullptr);

private:
    QLabel *m_label = nullptr;
    QTableView *m_table = nullptr; // null when nothing differs
    DifferenceTable *m_rows = nullptr;
};
