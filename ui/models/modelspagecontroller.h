#pragma once

#include "models/libraryoperations.h"
#include "ui/models/modelscontext.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// What the models page decides, without its widgets: the device the rows are grouped and
// selected for, which operations a row offers, where the file dialogs start and what they
// remember, and the library operations with what must happen around them (the new current
// model, files too large to be a model). The page shows the outcomes.
class ModelsPageController
{
public:
    // A file larger than this is no model file (the largest picture a model may carry is well
    // below it), and reading it whole would freeze the window.
    static constexpr qint64 kMaxModelFileBytes = 128LL * 1024 * 1024;

    struct RowActions
    {
        bool select = false;
        bool edit = false;
        bool exportFile = false;
        bool duplicate = false;
        bool reset = false;
        bool upgrade = false;
        bool remove = false;
    };

    // What a file dialog is opened with.
    struct FileRequest
    {
        enum class Mode { Save, Open };
        Mode mode = Mode::Open;
        QString title;
        QString directory;
        QStringList filters;
        // Save: the suggested path (directory and file name) and the suffix a name typed
        // without one gets.
        QString suggestedPath;
        QString defaultSuffix;
    };

    explicit ModelsPageController(ModelsContext context);

    [[nodiscard]] const ModelsContext &context() const { return m_context; }

    // The connected device a selected model is bound to; none unless a model class serves it.
    [[nodiscard]] std::optional<libraryoperations::ConnectedDevice> connectedDevice() const;
    // The serial number the list groups by, under the same condition.
    [[nodiscard]] std::optional<QString> groupingSerialNumber() const;
    // The file name of the main window's current model when it is one of the library's.
    [[nodiscard]] QString currentFileName() const;

    // The operations a row offers; an empty file name is the "New Model" row, which offers
    // only Select (it starts a new model).
    [[nodiscard]] RowActions actionsFor(const QString &fileName) const;
    [[nodiscard]] bool canUpgrade(const QString &fileName) const;

    [[nodiscard]] FileRequest exportRequest(const QString &fileName, const QString &rowText) const;
    [[nodiscard]] FileRequest importRequest() const;

    // Select: the model (bound to or upgraded for the device) becomes the current model.
    [[nodiscard]] libraryoperations::Outcome select(const QString &fileName);
    [[nodiscard]] libraryoperations::Outcome edit(const QString &fileName);
    // An empty path means the user cancelled: nothing happens.
    [[nodiscard]] libraryoperations::Outcome exportTo(const QString &fileName, const QString &path);
    [[nodiscard]] libraryoperations::Outcome duplicate(const QString &fileName);
    [[nodiscard]] libraryoperations::Outcome reset(const QString &fileName,
                                                   const libraryoperations::Confirm &confirm);
    [[nodiscard]] libraryoperations::Outcome upgrade(const QString &fileName,
                                                     const libraryoperations::Confirm &confirm);
    [[nodiscard]] libraryoperations::Outcome
    remove(const QString &fileName, const libraryoperations::Confirm &confirmPermanentDelete);
    // An empty path means the user cancelled: nothing happens.
    [[nodiscard]] libraryoperations::Outcome importFrom(const QString &path);
    [[nodiscard]] libraryoperations::Outcome importDropped(const QList<QUrl> &urls);
    // The file a drag of the row offers; empty when there is none.
    [[nodiscard]] QString dragCopy(const QString &fileName, const QString &rowText,
                                   const QString &temporaryDirectory);

private:
    [[nodiscard]] QString dialogDirectory() const;
    void rememberDialogDirectory(const QString &chosenPath);
    // Fails with the import error for what cannot be a model file; ok otherwise.
    [[nodiscard]] libraryoperations::Outcome vetImportFile(const QString &path) const;

    ModelsContext m_context;
};
