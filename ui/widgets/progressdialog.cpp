#include "ui/widgets/progressdialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDialogWidth = 300;
constexpr int kDialogHeight = 16;
constexpr int kPercentMaximum = 100;
constexpr int kLabelToBarSpacing = 2;
constexpr int kRowSpacing = 10;

std::shared_ptr<TaskbarProgress> &installedTaskbar()
{
    static std::shared_ptr<TaskbarProgress> taskbar;
    return taskbar;
}

} // namespace

ProgressDialog::ProgressDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_taskbar(installedTaskbar())
{
    setWindowTitle(tr("Progress"));
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    // The dialog keeps its width and grows downwards, one row at a time.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    const QMargins margins = layout->contentsMargins();
    layout->addStrut(kDialogWidth - margins.left() - margins.right());
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(kRowSpacing);
    layout->addLayout(m_rowsLayout);
    resize(kDialogWidth, kDialogHeight);
}

ProgressDialog::~ProgressDialog()
{
    clearTaskbar();
}

void ProgressDialog::addProgress(const QString &key, const QString &label, bool indeterminate)
{
    Row row{key, new QLabel(label, this), new QProgressBar(this)};
    row.bar->setRange(0, indeterminate ? 0 : kPercentMaximum);
    row.bar->setValue(0);
    row.bar->setAccessibleName(label);
    row.label->setBuddy(row.bar);
    // A label sits closer to its own bar than to the bar of the row above.
    auto *rowLayout = new QVBoxLayout;
    rowLayout->setSpacing(kLabelToBarSpacing);
    rowLayout->addWidget(row.label);
    rowLayout->addWidget(row.bar);
    m_rowsLayout->addLayout(rowLayout);
    m_rows.push_back(row);
    adjustSize();
    updateTaskbar();
}

void ProgressDialog::setProgress(const QString &key, int value)
{
    const auto row = std::find_if(m_rows.begin(), m_rows.end(),
                                  [&key](const Row &candidate) { return candidate.key == key; });
    if (row == m_rows.end())
        return;
    row->bar->setValue(value);
    updateTaskbar();
}

QProgressBar *ProgressDialog::progressBar(int index) const
{
    if (index < 0 || index >= rowCount())
        return nullptr;
    return m_rows[std::size_t(index)].bar;
}

void ProgressDialog::installTaskbarProgress(std::shared_ptr<TaskbarProgress> taskbar)
{
    installedTaskbar() = std::move(taskbar);
}

void ProgressDialog::keyPressEvent(QKeyEvent *event)
{
    // The work it shows cannot be cancelled, so Escape must not pretend to.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgressDialog::closeEvent(QCloseEvent *event)
{
    // The window system's close (Alt+F4 still works without a close button) is the user's;
    // only the code that opened the dialog may close it.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ProgressDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    updateTaskbar();
}

void ProgressDialog::hideEvent(QHideEvent *event)
{
    clearTaskbar();
    QDialog::hideEvent(event);
}

void ProgressDialog::updateTaskbar()
{
    if (!m_taskbar || !isVisible())
        return;
    QWidget *owner = parentWidget();
    QWindow *window = owner ? owner->window()->windowHandle() : nullptr;
    if (!window)
        return;
    int maximum = 0;
    int value = 0;
    for (const Row &row : m_rows) {
        maximum += row.bar->maximum() - row.bar->minimum();
        value += row.bar->value() - row.bar->minimum();
    }
    if (m_taskbarWindow && m_taskbarWindow != window)
        m_taskbar->clear(m_taskbarWindow);
    m_taskbarWindow = window;
    m_taskbar->setProgress(window, maximum, value);
}

void ProgressDialog::clearTaskbar()
{
    if (m_taskbar && m_taskbarWindow)
        m_taskbar->clear(m_taskbarWindow);
    m_taskbarWindow.clear();
}
