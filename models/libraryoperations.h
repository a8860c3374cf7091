#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class LastSyncedModels;
class Model;
class ModelLibrary;

// What the model list and the trash dialog do with a row, without the widgets: each
// operation takes the row's file name and, where a widget would ask the user, a callback, and
// returns what the widget shows. Failure texts go into a critical box titled kErrorTitle.
namespace libraryoperations {

inline const QString kErrorTitle = QStringLiteral("Error");
inline const QString kOpenSaveDirectoryKey = QStringLiteral("openSaveModelDir");

inline const QString kSelectFailed = QStringLiteral("There was a problem selecting the model.");
inline const QString kSelectForDeviceFailed =
    QStringLiteral("There was a problem selecting the model for this device.");
inline const QString kEditFailed = QStringLiteral("There was a problem editing the model.");
inline const QString kExportFailed = QStringLiteral("There was a problem saving the file.");
inline const QString kDuplicateFailed =
    QStringLiteral("There was a problem duplicating the model.");
inline const QString kSaveNewFailed = QStringLiteral("There was a problem saving the new model.");
inline const QString kResetFailed = QStringLiteral("There was a problem resetting the model.");
inline const QString kUpgradeFailed = QStringLiteral("There was a problem upgrading the model.");
inline const QString kImportFailed = QStringLiteral("There was a problem importing the file.");

// Texts of the questions the widgets ask before acting.
inline const QString kResetTitle = QStringLiteral("Confirm Reset");
inline const QString kResetQuestion =
    QStringLiteral("Are you sure you want to reset all of this model's settings to defaults?");
inline const QString kUpgradeTitle = QStringLiteral("Upgrade");
inline const QString kUpgradeQuestion =
    QStringLiteral("Do you want to create a copy of the model for a newer version of the device?");
inline const QString kUpgradeCancelButton = QStringLiteral("Cancel");
inline const QString kUpgradeAcceptButton = QStringLiteral("Copy and Upgrade");
inline const QString kDeleteTitle = QStringLiteral("Delete Model");
inline const QString kDeletePermanentlyQuestion =
    QStringLiteral("This model can't be moved to trash. Delete it permanently?");
inline const QString kDeleteCancelButton = QStringLiteral("Cancel");
inline const QString kDeleteAcceptButton = QStringLiteral("Delete");
inline const QString kEmptyTrashTitle = QStringLiteral("Confirm Delete");
inline const QString kEmptyTrashQuestion =
    QStringLiteral("Are you sure you want to permanently delete all models in the trash?");
inline const QString kEmptyTrashCancelButton = QStringLiteral("Cancel");
inline const QString kEmptyTrashAcceptButton = QStringLiteral("Empty Trash");
inline const QString kExportDialogTitle = QStringLiteral("Save Model File");
inline const QString kImportDialogTitle = QStringLiteral("Choose Model File");

// Asks the user a yes/no question; true means go ahead. An unset callback means yes, except
// before deleting for good (permanent delete, empty trash), where it means no.
using Confirm = std::function<bool()>;

struct Outcome
{
    // Empty on success; otherwise the text of the error box.
    QString errorText;
    // The row to select afterwards, when the operation made or chose one.
    QString fileName;
    // The model the operation opened or made (Select: the new current model).
    std::shared_ptr<Model> model;
    // False when the user declined and nothing was done.
    bool acted = true;

    [[nodiscard]] bool ok() const { return errorText.isEmpty(); }

    [[nodiscard]] static Outcome failure(const QString &text)
    {
        Outcome outcome;
        outcome.errorText = text;
        return outcome;
    }
    [[nodiscard]] static Outcome declined()
    {
        Outcome outcome;
        outcome.acted = false;
        return outcome;
    }
};

// The device connected while a row is selected.
struct ConnectedDevice
{
    int productCode = 0;
    int parameterVersion = 0;
    QString serialNumber;
};

// The name filters of the export and import dialogs: "ZRM (*.zrm)" per class extension, then
// "All Files (*)".
[[nodiscard]] QStringList modelFileFilters();

// Opens the model and, with a device connected, binds it to the device (same parameter
// version) or makes an upgraded copy for it (another parameter version).
[[nodiscard]] Outcome selectModel(ModelLibrary &library, const QString &fileName,
                                  const std::optional<ConnectedDevice> &device);
// The model for the edit dialog.
[[nodiscard]] Outcome editModel(ModelLibrary &library, const QString &fileName);
// Copies the model file to `targetPath`, replacing a file there only once the copy is whole.
[[nodiscard]] Outcome exportModel(ModelLibrary &library, const QString &fileName,
                                  const QString &targetPath);
// The model object moves to a new file under a copy name; the old file stays as it was.
[[nodiscard]] Outcome duplicateModel(ModelLibrary &library, const QString &fileName);
[[nodiscard]] Outcome resetModel(ModelLibrary &library, const QString &fileName,
                                 const Confirm &confirmReset);
[[nodiscard]] Outcome upgradeModel(ModelLibrary &library, const QString &fileName,
                                   const Confirm &confirmUpgrade);
// Moves the model to the trash; when that fails, deletes it only if the user agrees.
// `lastSynced` may be null.
[[nodiscard]] Outcome deleteModel(ModelLibrary &library, ModelLibrary &trash,
                                  const QString &fileName, LastSyncedModels *lastSynced,
                                  const Confirm &confirmPermanentDelete);
[[nodiscard]] Outcome importModel(ModelLibrary &library, const QString &path);
// A drop from outside: the first URL, when it is a local file, is imported.
[[nodiscard]] Outcome importDroppedUrls(ModelLibrary &library, const QList<QUrl> &urls);
// The temporary copy a drag out of the list offers, named after the row, in a folder of the
// program's own (an earlier copy of the same name there is replaced); empty on failure. The
// caller deletes it when the drag ends.
[[nodiscard]] QString makeDragCopy(ModelLibrary &library, const QString &fileName,
                                   const QString &rowText, const QString &temporaryDirectory);

// Trash dialog.
[[nodiscard]] bool restoreFromTrash(ModelLibrary &trash, ModelLibrary &library,
                                    const QString &fileName);
bool deleteFromTrash(ModelLibrary &trash, const QString &fileName);
// Returns whether every model was deleted (false too when the user declined).
bool emptyTrash(ModelLibrary &trash, const Confirm &confirmEmpty);

} // namespace libraryoperations
