#pragma once

#include "app/ui/logview/logviewstate.h"

#include <QDialog>
#include <QMetaObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class Log;
struct LogEntry;
class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;

// The log viewer: the entries of the Log filtered by category, with a pause that loses nothing.
//
// The text box is only ever appended to in steps that fit a time budget. New entries are
// gathered for a moment and appended together, so a logger on another thread that writes
// thousands of entries a second costs the GUI thread one insertion per interval; a refresh of a
// full log is appended in a few such steps, because a text document takes far longer than the
// budget to take in a hundred thousand lines at once.
class LogDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kAppendIntervalMs = 50;

    explicit LogDialog(Log &log, QWidget *parent = nullptr);
    ~LogDialog() override;

private:
    struct Arrivals;
    // Takes what arrived since the last call (on the GUI thread).
    void takeArrivals();
    void buildUi();
    void refresh();
    void restartView();
    void appendStep();
    void applyToTextBox(const LogViewState::Update &update);
    void addNewCategoryItems();
    void onEntriesAdded(const QStringList &categories);
    void onEntriesCleared();
    void onCategoryItemChanged(QListWidgetItem *item);
    void onPauseToggled(bool paused);

    Log &m_log;
    // Entries are noted where they are logged and taken up here in one queued call per
    // burst: one queued event per entry would flood the GUI thread's event queue.
    std::shared_ptr<Arrivals> m_arrivals;
    QMetaObject::Connection m_arrivalConnection;
    LogViewState m_state;
    QTimer m_appendTimer;
    int m_entriesPerStep;
    bool m_paused = false;

    QListWidget *m_categoryList = nullptr;
    QCheckBox *m_pauseCheckBox = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPlainTextEdit *m_textBox = nullptr;
};
