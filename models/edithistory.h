#pragma once

#include "models/devicemodel.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class Model;

// The undo and redo steps of one model's edits. It watches the model's change signals and keeps
// the model's edit state after the last step, so each new step knows what it started from.
//
// One step is one user action: the changes announced in one turn of the event loop, or all those
// made while an ActionScope is open (a drag that spans many turns). Undo and redo put a state
// back as an edit of the model, so the library saves it and the device memory patches a
// connected device, then commits it to flash, as after any other edit; putting a state back
// records no step.
//
// A sync that leaves the model with other settings (a read from the device) clears the history:
// the steps before it lead to states the user never saw beside the device's settings, and
// undoing one would quietly throw those away. A sync that leaves the settings as they were (the
// model written to the device) keeps it. Resetting a model to its defaults is an edit like any
// other. The model's info (name, picture, notes) is not part of the history: the library names
// and files models, and a name put back by undo would bypass its rules.
//
// Main thread only.
class EditHistory : public QObject
{
    Q_OBJECT

public:
    // Older steps are dropped beyond this many.
    static constexpr int kMaxSteps = 100;

    // Holds the changes made while it lives together as one step (nested scopes join the
    // outermost); the step closes when the outermost scope ends.
    class ActionScope
    {
    public:
        explicit ActionScope(EditHistory &history);
        ~ActionScope();
        ActionScope(const ActionScope &) = delete;
        ActionScope &operator=(const ActionScope &) = delete;

    private:
        QPointer<EditHistory> m_history;
    };

    explicit EditHistory(QObject *parent = nullptr);

    // Follows `model` with an empty history; a null model or one without device settings
    // leaves nothing to undo.
    void setModel(const std::shared_ptr<Model> &model);
    [[nodiscard]] DeviceModel *model() const { return m_model; }

    [[nodiscard]] bool canUndo() const { return !m_undo.isEmpty(); }
    [[nodiscard]] bool canRedo() const { return !m_redo.isEmpty(); }
    [[nodiscard]] int undoCount() const { return int(m_undo.size()); }
    [[nodiscard]] int redoCount() const { return int(m_redo.size()); }

public slots:
    // Both first close a step still open, so an edit just made is the one undone.
    void undo();
    void redo();
    void clear();

signals:
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);

private:
    struct Step
    {
        DeviceModelEditState before;
        DeviceModelEditState after;
    };

    void noteChange();
    void closeStep();
    void syncEnded();
    void restore(const DeviceModelEditState &state);
    void beginAction();
    void endAction();
    // Emits the signals whose answer differs from the one given.
    void announce(bool couldUndo, bool couldRedo);

    QPointer<DeviceModel> m_model;
    QList<QMetaObject::Connection> m_connections;
    DeviceModelEditState m_last;
    QList<Step> m_undo;
    QList<Step> m_redo;
    QTimer m_closeTimer;
    bool m_changed = false;
    bool m_restoring = false;
    int m_actionDepth = 0;
};
