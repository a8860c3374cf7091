#pragma once

#include <QString>

#include <memory>

class QSettings;

// The settings file the desktop program keeps (<config>/Solvane Hobby/Zandorex Programmer.ini),
// opened as the program opens it, so that an account logged in here is logged in there.
[[nodiscard]] std::unique_ptr<QSettings> openSharedSettings();

// Writes the changes out; the error names the file when that failed.
[[nodiscard]] bool saveSharedSettings(QSettings &settings, QString *error);
