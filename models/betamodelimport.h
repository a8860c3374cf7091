#pragma once

#include <QString>

class ModelLibrary;

// Takes over the models an earlier beta installation left in "<beta data directory>/Models".
//
// Start-up calls this once, right after it has created the three libraries (Models, Trash,
// Presets) and removed "Models/DefaultModels", and before it creates the device connection
// and the main window. It lives here and not in app/ because app-core cannot link the models.
namespace betamodelimport {

enum class BetaImportResult {
    NoBetaModels,    // nothing to take over
    Imported,        // the beta models are in the library and the beta folder is gone
    ImportFailed,    // a copy failed: the beta folder is kept for the next start
    FolderNotDeleted // imported, but the beta models folder could not be deleted
};

// Copies every model of the beta models folder into `models`. Only after every model was
// copied are the beta models folder and then the whole beta data directory deleted; when a
// copy fails both stay, so that nothing is lost and the next start tries again.
// Writes the start-up messages "error importing models from beta directory" and
// "error deleting all of beta models directory" to standard output.
BetaImportResult importBetaModels(const QString &betaDataDirectory, ModelLibrary &models);

} // namespace betamodelimport
