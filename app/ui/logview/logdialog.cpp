#include "app/ui/logview/logdialog.h"

#include "app/log.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Each step of appending to the text box aims at this much of the GUI thread.
constexpr int kStepBudgetMs = 20;
constexpr int kFirstStepEntries = 2'000;
constexpr int kMinStepEntries = 250;
constexpr int kMaxStepEntries = 50'000;
// Past this many lines to take off the top at once (after a long pause on a busy full log, say),
// a fresh fill with the entries still held is cheaper, and it runs in steps.
constexpr int kMaxTrimBlocks = 10'000;

QFont logFont()
{
    // Consolas is not installed everywhere; the substitutes keep the columns of hex dumps and
    // timings lined up on the other systems, and the style hint is the last resort.
    QFont::insertSubstitutions(QStringLiteral("Consolas"),
                               {QStringLiteral("Monaco"), QStringLiteral("Courier New")});
    QFont font(QStringLiteral("Consolas"));
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

// Shared with the loggers' threads; `target` is cleared before the dialog goes away, under the
// same lock, so a logger never posts to a dialog that is being destroyed.
struct LogDialog::Arrivals
{
    QMutex mutex;
    LogDialog *target = nullptr;
    QStringList categories; // new to this burst, in order of arrival
    bool posted = false;
};

LogDialog::LogDialog(Log &log, QWidget *parent)
    : QDialog(parent)
    , m_log(log)
    , m_arrivals(std::make_shared<Arrivals>())
    , m_state(log)
    , m_entriesPerStep(kFirstStepEntries)
{
    buildUi();

    m_appendTimer.setSingleShot(true);
    connect(&m_appendTimer, &QTimer::timeout, this, &LogDialog::appendStep);

    m_arrivals->target = this;
    m_arrivalConnection =
        connect(&m_log, &Log::entryAdded, [arrivals = m_arrivals](const LogEntry &entry) {
            QMutexLocker lock(&arrivals->mutex);
            if (!arrivals->categories.contains(entry.category))
                arrivals->categories.append(entry.category);
            if (arrivals->posted || !arrivals->target)
                return;
            arrivals->posted = true;
            QMetaObject::invokeMethod(arrivals->target, &LogDialog::takeArrivals,
                                      Qt::QueuedConnection);
        });
    connect(&m_log, &Log::entriesCleared, this, &LogDialog::onEntriesCleared);
    connect(m_categoryList, &QListWidget::itemChanged, this, &LogDialog::onCategoryItemChanged);
    connect(m_pauseCheckBox, &QCheckBox::toggled, this, &LogDialog::onPauseToggled);
    connect(m_clearButton, &QPushButton::clicked, this, [this] { m_log.clear(); });

    refresh();
}

void LogDialog::buildUi()
{
    setWindowTitle(tr("Log"));

    auto *categoriesLabel = new QLabel(tr("Show Categories:"), this);

    m_categoryList = new QListWidget(this);
    m_categoryList->setObjectName(QStringLiteral("catList"));
    m_categoryList->setAccessibleName(tr("Categories"));
    categoriesLabel->setBuddy(m_categoryList);

    m_pauseCheckBox = new QCheckBox(tr("Pause Updates"), this);
    m_pauseCheckBox->setObjectName(QStringLiteral("pauseCheckBox"));
    m_pauseCheckBox->setToolTip(
        tr("While checked, new log messages are not displayed. No log messages are ever lost."));

    m_clearButton = new QPushButton(tr("Clear"), this);
    m_clearButton->setObjectName(QStringLiteral("clearButton"));
    // Enter belongs to Close; clearing the log should take a deliberate click or Space.
    m_clearButton->setAutoDefault(false);

    m_textBox = new QPlainTextEdit(this);
    m_textBox->setObjectName(QStringLiteral("logTextBox"));
    m_textBox->setAccessibleName(tr("Log messages"));
    m_textBox->setReadOnly(true);
    // Read-only, but the keyboard can still move through the text and select it to copy.
    m_textBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_textBox->setTabChangesFocus(true);
    m_textBox->setUndoRedoEnabled(false);
    m_textBox->setFont(logFont());
    m_textBox->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *closeButton = buttons->button(QDialogButtonBox::Close);
    closeButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *side = new QVBoxLayout;
    side->addWidget(categoriesLabel);
    side->addWidget(m_categoryList, 1);
    side->addWidget(m_pauseCheckBox);
    side->addWidget(m_clearButton);

    auto *body = new QHBoxLayout;
    body->addLayout(side);
    body->addWidget(m_textBox, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    m_categoryList->setMaximumWidth(220);
    setTabOrder(m_categoryList, m_pauseCheckBox);
    setTabOrder(m_pauseCheckBox, m_clearButton);
    setTabOrder(m_clearButton, m_textBox);
    setTabOrder(m_textBox, closeButton);
    resize(900, 560);
}

void LogDialog::refresh()
{
    restartView();
    // The first step runs now, so a log of ordinary size is on view before we return.
    appendStep();
}

void LogDialog::restartView()
{
    m_appendTimer.stop();
    m_state.restart();
    m_textBox->clear();
}

void LogDialog::appendStep()
{
    if (m_paused && !m_state.isRefilling())
        return;
    QElapsedTimer elapsed;
    elapsed.start();
    const LogViewState::Update update =
        m_paused ? m_state.readRefill(m_entriesPerStep) : m_state.readNew(m_entriesPerStep);
    addNewCategoryItems();
    if (update.leadingBlocksToRemove > kMaxTrimBlocks) {
        restartView();
        m_appendTimer.start(0);
        return;
    }
    applyToTextBox(update);

    // Entries that arrived during the step have started the interval timer; only a step cut
    // short by its size goes on at once.
    if (update.stoppedShort) {
        // The cost of a line differs between machines and grows with hidden categories, so the
        // next step is sized from how long this one took.
        const qint64 spentMs = std::max<qint64>(1, elapsed.elapsed());
        const qint64 fitting =
            std::min<qint64>(2 * m_entriesPerStep, m_entriesPerStep * kStepBudgetMs / spentMs);
        m_entriesPerStep = int(std::clamp<qint64>(fitting, kMinStepEntries, kMaxStepEntries));
        m_appendTimer.start(0);
    }
}

void LogDialog::applyToTextBox(const LogViewState::Update &update)
{
    if (update.text.isEmpty() && update.leadingBlocksToRemove == 0)
        return;
    QTextDocument *document = m_textBox->document();
    QTextCursor cursor(document);
    // In an edit block the cursor does not lay out the blocks it moves over; moving over the
    // lines to trim block by block would shape the text of every one of them.
    cursor.beginEditBlock();
    if (!update.text.isEmpty()) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(update.text);
    }
    if (update.leadingBlocksToRemove > 0) {
        const QTextBlock firstKept = document->findBlockByNumber(
            std::min(update.leadingBlocksToRemove, document->blockCount() - 1));
        cursor.setPosition(0);
        cursor.setPosition(firstKept.position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    m_textBox->moveCursor(QTextCursor::End);
}

void LogDialog::addNewCategoryItems()
{
    const QStringList &categories = m_state.categories();
    for (int row = m_categoryList->count(); row < categories.size(); ++row) {
        // Filled in before it joins the list, so that itemChanged only reports the user's clicks.
        auto *item = new QListWidgetItem(categories.at(row));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_state.isShown(categories.at(row)) ? Qt::Checked : Qt::Unchecked);
        m_categoryList->addItem(item);
    }
}

LogDialog::~LogDialog()
{
    disconnect(m_arrivalConnection);
    QMutexLocker lock(&m_arrivals->mutex);
    m_arrivals->target = nullptr;
}

void LogDialog::takeArrivals()
{
    QStringList categories;
    {
        QMutexLocker lock(&m_arrivals->mutex);
        m_arrivals->posted = false;
        categories.swap(m_arrivals->categories);
    }
    onEntriesAdded(categories);
}

void LogDialog::onEntriesAdded(const QStringList &categories)
{
    // The list shows a new category at once, even while paused.
    bool added = false;
    for (const QString &category : categories)
        added = m_state.addCategory(category) || added;
    if (added)
        addNewCategoryItems();
    if (!m_paused && !m_appendTimer.isActive())
        m_appendTimer.start(kAppendIntervalMs);
}

void LogDialog::onEntriesCleared()
{
    // A clear on another thread may have been followed by entries that we took for part of the
    // old log; the refill reads them again.
    refresh();
}

void LogDialog::onCategoryItemChanged(QListWidgetItem *item)
{
    const bool shown = item->checkState() == Qt::Checked;
    if (shown == m_state.isShown(item->text()))
        return;
    m_state.setShown(item->text(), shown);
    refresh();
}

void LogDialog::onPauseToggled(bool paused)
{
    m_paused = paused;
    // The view already holds every entry read before the pause, so reading on from there shows
    // what a full refresh would, without rebuilding the text box.
    if (!paused)
        appendStep();
}
