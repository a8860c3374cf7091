#pragma once

#include "app/ui/logview/logviewstate.h"

#include <QDialog>
#include <QTimer>

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

private:
    void buildUi();
    void refresh();
    void restartView();
    void appendStep();
    void applyToTextBox(const LogViewState::Update &update);
    void addNewCategoryItems();
    void onEntryAdded(const LogEntry &entry);
    void onEntriesCleared();
    void onCategoryItemChanged(QListWidgetItem *item);
    void onPauseToggled(bool paused);

    Log &m_log;
    LogViewState m_state;
    QTimer m_appendTimer;
    int m_entriesPerStep;
    bool m_paused = false;

    QListWidget *m_categoryList = nullptr;
    QCheckBox *m_pauseCheckBox = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPlainTextEdit *m_textBox = nullptr;
};
