#pragma once

#include <QString>

#include <memory>

class ModelLibrary;

// The three model libraries of the data directory, created at start-up after the device-less
// environment and before the device connection. They live until the process ends.
struct ProgramLibraries
{
    std::unique_ptr<ModelLibrary> models;
    std::unique_ptr<ModelLibrary> trash;
    std::unique_ptr<ModelLibrary> presets;

    ProgramLibraries();
    ProgramLibraries(ProgramLibraries &&) noexcept;
    ProgramLibraries &operator=(ProgramLibraries &&) noexcept;
    ~ProgramLibraries();
};

// Opens "Models", "Models/Trash" and "Models/Presets" (in this order), fills an empty presets
// library with the shipped presets, then takes over the models an earlier beta installation
// left behind.
[[nodiscard]] ProgramLibraries openProgramLibraries(const QString &dataDirectory,
                                                    const QString &betaDataDirectory);
