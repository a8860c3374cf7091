#pragma once

#include "devsim/deviceprofile.h"

#include <QByteArray>

#include <cstdint>

// Builds firmware (SAX) files for a simulated device, whole or deliberately damaged, so tests
// and demos need no binary fixtures. The records are those the simulated bootloader executes
// (devsim/firmwarerecords.h): begin, erase, one write per 512 bytes of image, the version,
// finish.
namespace devsim::sax {

enum class Damage {
    None,
    BadSignature,       ///< First signature byte wrong; "SAX" intact.
    NotSax,             ///< "SAX" missing from the signature.
    BadVersion,         ///< Format version 3.
    TruncatedHeader,    ///< The file ends inside the product list.
    TruncatedRecord,    ///< The last record is one byte short.
    BadRecordChecksum,  ///< Record `damagedRecord` has a wrong stored checksum.
    WrongProduct,       ///< The product list leaves out the device's product.
    WrongDevice,        ///< Version 2: the header names another serial number.
    WrongProductInFile, ///< Header allows all products; the begin record names another one,
                        ///< so the bootloader refuses it.
    BadImageCrc,        ///< The finish record's CRC does not match the written image.
};

struct Options
{
    int version = 2;
    int productListMode = 0;      // 0: the list names allowed products
    QByteArray productList;       // 8-bit codes; empty: the profile's product
    bool allowAnyProduct = false; // write an empty list instead
    QByteArray targetSerial;      // version 2: empty for any device
    QByteArray image;             // empty: a pattern of imageBytes
    int imageBytes = 4096;
    int appVersionMajor = 9;
    int appVersionMinor = 1;
    int appVersionRelease = 0;
    Damage damage = Damage::None;
    int damagedRecord = 1; // 0-based record index for BadRecordChecksum
};

inline constexpr int kRecordBytes = 523;

// A whole file for the profile's base device.
[[nodiscard]] QByteArray writeFile(const DeviceProfile &profile, const Options &options = {});
// The same for an application with product code `productCode` and serial `serial` (a device
// behind the base, say).
[[nodiscard]] QByteArray writeFile(int productCode, const QByteArray &serial,
                                   const Options &options = {});

// Pieces, for tests that assemble their own file.
[[nodiscard]] QByteArray header(int version, int productListMode, const QByteArray &productList,
                                const QByteArray &targetSerial = {});
[[nodiscard]] QByteArray record(std::uint8_t command, const QByteArray &data);
[[nodiscard]] int recordCount(const QByteArray &file, int headerBytes);

} // namespace devsim::sax
