#pragma once

#include <QImage>
#include <QString>

#include <expected>

// A model picture is stored at most this many pixels a side: the size of the built-in picture.
// The manifest carries every model's picture, so a photo kept at its own size would make a
// large library slow to list.
inline constexpr int kModelPictureSide = 128;
// Files beyond these are refused before any pixel is decoded: a camera photo is well inside
// them, while a decoded image beyond them would claim hundreds of megabytes.
inline constexpr qint64 kMaxPictureFileBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxPicturePixels = 50'000'000;

// The picture scaled down, keeping its proportions, to fit kModelPictureSide; smaller pictures
// stay as they are.
[[nodiscard]] QImage fitModelPicture(const QImage &image);
// The picture of the file, fitted; or the message that tells the user why it cannot be used.
[[nodiscard]] std::expected<QImage, QString> loadModelPicture(const QString &path);
