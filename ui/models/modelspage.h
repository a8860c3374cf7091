#pragma once

#include "ui/models/modelscontext.h"
#include "ui/models/modelspagecontroller.h"
#include "ui/models/modelspageform.h"
#include "ui/navigation/page.h"

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QTemporaryDir;
class QTimer;

// The "Models" page: the library's models in a searchable list, grouped for the connected
// device, with every operation on a row (select, edit, export, duplicate, reset, upgrade,
// delete) and on the library (add, import, trash, presets). The operations are
// ModelsPageController's; the page asks the questions, opens the dialogs and shows the
// outcome.
class ModelsPage : public Page
{
    Q_OBJECT

public:
    // Answers a file dialog with the chosen path, or empty when the user cancelled. By default
    // a QFileDialog.
    using FileChooser = std::function<QString(const ModelsPageController::FileRequest &)>;
    // How long typing in the search field may pause before the list follows.
    static constexpr int kSearchDelayMs = 150;

    explicit ModelsPage(ModelsContext context, QWidget *parent = nullptr);
    ~ModelsPage() override;

    void setFileChooser(FileChooser chooser);
    [[nodiscard]] ModelsPageController &controller() { return m_controller; }
    [[nodiscard]] const ModelsPageForm &form() const { return m_form; }

private:
    void connectForm();
    // Reads the library again and selects `fileName` (or keeps the selection when empty).
    void reloadList(const QString &fileName = {});
    void scheduleReload();
    void watchCurrentModel();
    void applySearch();
    void updateEmptyText();
    void restoreSelection(const QString &fileName, int formerRow);
    void updateActions();
    void showRowMenu(const QPoint &globalPos);

    // The row's file name; empty for no row or the "New Model" row.
    [[nodiscard]] QString selectedFileName() const;
    [[nodiscard]] QString selectedRowText() const;
    [[nodiscard]] bool newModelRowSelected() const;

    void selectRow();
    void editRow();
    void exportRow();
    void duplicateRow();
    void resetRow();
    void upgradeRow();
    void deleteRow();
    void importFile();
    void importUrls(const QList<QUrl> &urls);
    void openAddNew();
    void openTrash();
    void openPresets();
    [[nodiscard]] QString dragFile(const QModelIndex &index);

    // Shows the failure of an operation, if any, and reloads the list around its result.
    void finishOperation(const libraryoperations::Outcome &outcome);
    void showError(const QString &text);
    // Dialogs of other screens, opened without waiting; the list follows when they close,
    // choosing the model `madeFile` names when one was accepted.
    void openDialog(QDialog *dialog, std::function<QString()> madeFile = {});

    ModelsPageController m_controller;
    FileChooser m_fileChooser;
    ModelListModel *m_model = nullptr;
    ModelsPageForm m_form;

    QTimer *m_searchTimer = nullptr;
    QTimer *m_reloadTimer = nullptr;
    // Receives the connection to the current model's info changes; replaced with the model.
    QObject *m_currentModelWatch = nullptr;
    std::unique_ptr<QTemporaryDir> m_dragDirectory;
};

// The page of the navigation's "Models" row; start-up registers it.
[[nodiscard]] Page *createModelsPage(const ModelsContext &context, QWidget *parent = nullptr);
