#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QVBoxLayout;

// Shows a dialog's overall progress outside it, on the taskbar button of its parent's window.
// Only Windows has such a place: the platform layer installs an implementation at start-up,
// elsewhere none is installed and the dialog shows its rows only.
class TaskbarProgress
{
public:
    virtual ~TaskbarProgress() = default;
    // `window` is the parent's window; `value` runs from 0 to `maximum`, and a maximum of 0
    // means busy without a measure.
    virtual void setProgress(QWindow *window, int maximum, int value) = 0;
    virtual void clear(QWindow *window) = 0;
};

// A window-modal list of progress bars for device work that cannot be cancelled: it has no
// close button, Escape does not close it, and only the code that opened it closes it. Show it
// with open() so that the event loop, and the work it reports, keep running.
class ProgressDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    // Appends a row whose bar runs from 0 to 100 starting at 0, or is a busy indicator
    // (range 0 to 0) when `indeterminate`.
    void addProgress(const QString &key, const QString &label, bool indeterminate = false);
    // Sets the bar of the first row with `key`; an unknown key changes nothing.
    void setProgress(const QString &key, int value);

    [[nodiscard]] int rowCount() const { return int(m_rows.size()); }
    // The bar of row `index`, in the order the rows were added; null outside.
    [[nodiscard]] QProgressBar *progressBar(int index) const;

    // Dialogs created afterwards mirror their progress through `taskbar`; null stops it.
    static void installTaskbarProgress(std::shared_ptr<TaskbarProgress> taskbar);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Row
    {
        QString key;
        QLabel *label = nullptr;
        QProgressBar *bar = nullptr;
    };

    void updateTaskbar();
    void clearTaskbar();

    QVBoxLayout *m_rowsLayout = nullptr;
    std::vector<Row> m_rows;
    std::shared_ptr<TaskbarProgress> m_taskbar;
    QPointer<QWindow> m_taskbarWindow; // where the progress shows, to clear it there
};
