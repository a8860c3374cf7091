#pragma once

#include <QPixmap>
#include <QString>

// The program's pictures: the files in the picture folder, stored at twice their shown size
// (rendered from resources/images/*.svg at build time).
//
// Returns the picture `fileName` from the picture folder with device pixel ratio 2. A picture
// that cannot be loaded writes "Error: failed to load <path>" to standard output and gives the
// empty (null) pixmap; the ratio 2 is set on it as on any other, but Qt 5 reports 1 for a null
// pixmap. Loaded pictures are kept, so painting code may call this on every paint. GUI thread
// only.
[[nodiscard]] QPixmap loadPicture(const QString &fileName);

// The folder loadPicture reads from. By default "Images" beside the executable; when there is
// no such folder, the installed layout's <executable dir>/../share/zandorex-programmer/Images.
[[nodiscard]] QString pictureFolder();

// Points loadPicture at another folder (tests, other layouts); an empty folder restores the
// default.
void setPictureFolder(const QString &folder);
