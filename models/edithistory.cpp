// EditHistory: the steps of one model's edits, grouped by user action, and putting them back.
#include "models/edithistory.h"

#include "models/model.h"

#include <utility>

EditHistory::ActionScope::ActionScope(EditHistory &history)
    : m_history(&history)
{
    history.beginAction();
}

EditHistory::ActionScope::~ActionScope()
{
    if (m_history)
        m_history->endAction();
}

EditHistory::EditHistory(QObject *parent)
    : QObject(parent)
{
    // A zero interval fires once the event loop has handled what is queued now: everything one
    // key press or click set off is then in the step.
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(0);
    connect(&m_closeTimer, &QTimer::timeout, this, &EditHistory::closeStep);
}

void EditHistory::setModel(const std::shared_ptr<Model> &model)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_closeTimer.stop();
    m_changed = false;
    m_model = qobject_cast<DeviceModel *>(model.get());
    m_last = m_model ? m_model->editState() : DeviceModelEditState{};
    clear();
    if (!m_model)
        return;
    // settingsChanged also follows allSettingsChanged, so a reset is seen here too.
    m_connections << connect(m_model, &DeviceModel::settingsChanged, this,
                             &EditHistory::noteChange);
    // Connected after the model's own connection, so this runs once the sync's new settings
    // have been announced.
    m_connections << connect(&m_model->memory(), &DeviceMemory::sectionsReplaced, this,
                             &EditHistory::syncEnded);
    m_connections << connect(m_model, &QObject::destroyed, this, [this] {
        m_closeTimer.stop();
        m_changed = false;
        m_last = {};
        clear();
    });
}

void EditHistory::clear()
{
    const bool couldUndo = canUndo();
    const bool couldRedo = canRedo();
    m_undo.clear();
    m_redo.clear();
    announce(couldUndo, couldRedo);
}

void EditHistory::noteChange()
{
    if (m_restoring || !m_model)
        return;
    m_changed = true;
    if (m_actionDepth == 0 && !m_closeTimer.isActive())
        m_closeTimer.start();
}

void EditHistory::closeStep()
{
    m_closeTimer.stop();
    if (!std::exchange(m_changed, false) || !m_model)
        return;
    DeviceModelEditState now = m_model->editState();
    // Setters announce some changes that change nothing (the same value again).
    if (now == m_last)
        return;
    const bool couldUndo = canUndo();
    const bool couldRedo = canRedo();
    m_undo.append(Step{std::exchange(m_last, now), std::move(now)});
    if (m_undo.size() > kMaxSteps)
        m_undo.removeFirst();
    m_redo.clear();
    announce(couldUndo, couldRedo);
}

void EditHistory::syncEnded()
{
    if (!m_model)
        return;
    // A change still open when the sync ended is taken to be part of what it brought.
    m_closeTimer.stop();
    m_changed = false;
    DeviceModelEditState now = m_model->editState();
    if (now == m_last)
        return;
    m_last = std::move(now);
    clear();
}

void EditHistory::undo()
{
    closeStep();
    if (m_undo.isEmpty() || !m_model)
        return;
    const bool couldRedo = canRedo();
    Step step = m_undo.takeLast();
    restore(step.before);
    m_redo.append(std::move(step));
    announce(true, couldRedo);
}

void EditHistory::redo()
{
    closeStep();
    if (m_redo.isEmpty() || !m_model)
        return;
    const bool couldUndo = canUndo();
    Step step = m_redo.takeLast();
    restore(step.after);
    m_undo.append(std::move(step));
    announce(couldUndo, true);
}

void EditHistory::restore(const DeviceModelEditState &state)
{
    // Whatever the model's listeners change in answer to the restore (a page that writes back
    // what it shows) becomes part of the restored state, not a step of its own.
    m_restoring = true;
    m_model->restoreEditState(state);
    m_restoring = false;
    m_closeTimer.stop();
    m_changed = false;
    m_last = m_model->editState();
}

void EditHistory::beginAction()
{
    // What came before the action is a step of its own.
    if (m_actionDepth++ == 0)
        closeStep();
}

void EditHistory::endAction()
{
    if (m_actionDepth > 0 && --m_actionDepth == 0)
        closeStep();
}

void EditHistory::announce(bool couldUndo, bool couldRedo)
{
    if (couldUndo != canUndo())
        emit canUndoChanged(canUndo());
    if (couldRedo != canRedo())
        emit canRedoChanged(canRedo());
}
