#pragma once

#include "devicestate/targetsection.h"
#include "ui/sync/synccontext.h"

#include <QDialog>
#include <QString>

#include <optional>

class HoverFilter;
class QLabel;
class QListView;
class QMessageBox;
class QProgressBar;
class QPushButton;
class SyncModelList;

namespace modelsync {
struct DefaultModel;
struct SyncOutcome;
} // namespace modelsync

// Resolves a model mismatch: the settings on the device differ from those of the model the
// computer would use, and the user decides which side wins. Offers a default model for the
// device (or a new one), lets the user pick another model of the library, and runs the sync in
// the chosen direction while showing its progress. Before writing, the user may list what the
// computer's settings would change on the device (read from it on request). Accepted once the
// synced model is the main window's current model; rejected when the sync failed or the user
// declined.
//
// Show it with open(): the sync runs on the event loop. The main window may delete the dialog
// at any time, also while it syncs.
class SyncDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SyncDialog(SyncContext context, QWidget *parent = nullptr);
    ~SyncDialog() override;

public slots:
    // Ignored while the sync runs: a transfer cannot be called back half-way.
    void reject() override;

private:
    void buildForm();
    void connectForm();
    void fillModelList();
    void showDefaultModel(const modelsync::DefaultModel &choice);
    void setModelListVisible(bool visible);
    void selectSelectedModelInList();
    // The list's selection when the list is shown, else selectedModel; none (and the box
    // shown) when the list is shown without a selection.
    [[nodiscard]] std::optional<QString> chosenModel();
    void onSyncSettings(InitialSyncDirection direction);
    void onShowDifferences();
    void setReadingDifferences(bool reading);
    void setSyncing(bool syncing);
    void onSyncFinished(const modelsync::SyncOutcome &outcome);
    QMessageBox *showError(const QString &text);
    void fitToContents();
    [[nodiscard]] QString logTag() const;

    // The form.
    QLabel *m_label = nullptr;
    QLabel *m_modelImageLabel = nullptr;
    QLabel *m_modelNameLabel = nullptr;
    QPushButton *m_listVisibilityButton = nullptr;
    QListView *m_modelList = nullptr;
    SyncModelList *m_modelRows = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_diagramLabel = nullptr;
    QPushButton *m_useDeviceButton = nullptr;
    QPushButton *m_useComputerButton = nullptr;
    QPushButton *m_showDifferencesButton = nullptr;

    HoverFilter *m_deviceEnterFilter = nullptr;
    HoverFilter *m_deviceLeaveFilter = nullptr;
    HoverFilter *m_computerEnterFilter = nullptr;
    HoverFilter *m_computerLeaveFilter = nullptr;

    SyncContext m_context;
    // The file name in the library of the model to sync, or the new-model marker.
    QString m_selectedModel;
    bool m_syncing = false;
    bool m_readingDifferences = false;
};
