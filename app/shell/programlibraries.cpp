#include "app/shell/programlibraries.h"

#include "app/datadirectory.h"
#include "models/betamodelimport.h"
#include "models/modellibrary.h"
#include "models/presetseeds.h"

ProgramLibraries::ProgramLibraries() = default;
ProgramLibraries::ProgramLibraries(ProgramLibraries &&) noexcept = default;
ProgramLibraries &ProgramLibraries::operator=(ProgramLibraries &&) noexcept = default;
ProgramLibraries::~ProgramLibraries() = default;

ProgramLibraries openProgramLibraries(const QString &dataDirectory,
                                      const QString &betaDataDirectory)
{
    ProgramLibraries libraries;
    libraries.models = std::make_unique<ModelLibrary>(dataDirectory + datadirectory::kModelsFolder);
    libraries.trash = std::make_unique<ModelLibrary>(dataDirectory + datadirectory::kTrashFolder);
    libraries.presets =
        std::make_unique<ModelLibrary>(dataDirectory + datadirectory::kPresetsFolder);
    // A first start has an empty presets library; the presets that ship with the program go
    // in then and never over anything the user keeps there.
    installShippedPresets(*libraries.presets);
    betamodelimport::importBetaModels(betaDataDirectory, *libraries.models);
    return libraries;
}
