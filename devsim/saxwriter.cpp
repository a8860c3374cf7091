#include "devsim/saxwriter.h"

#include "device/checksum.h"
#include "device/sectioncrc.h"
#include "devsim/firmwarerecords.h"

namespace devsim::sax {

namespace {

const QByteArray kSignature("\x89SAX\r\n\x1A\n", 8);
constexpr int kSerialFieldBytes = 30;
constexpr int kLengthOffset = 4;
constexpr int kUnsupportedVersion = 3;

QByteArray data()
{
    return QByteArray(fwrecord::kDataBytes, '\0');
}

QByteArray imageOf(const Options &options)
{
    if (!options.image.isEmpty())
        return options.image;
    QByteArray image(options.imageBytes, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 13 + (i >> 9)) & 0xFF);
    return image;
}

QByteArray records(int productCode, const QByteArray &serial, const Options &options)
{
    const QByteArray image = imageOf(options);
    QByteArray out;

    QByteArray begin = data();
    const int namedProduct =
        options.damage == Damage::WrongProductInFile ? productCode + 1 : productCode;
    fwrecord::putU16(begin, 0, namedProduct);
    begin.replace(fwrecord::kSerialOffset, qMin(int(serial.size()), fwrecord::kSerialBytes),
                  serial.left(fwrecord::kSerialBytes));
    out += record(fwrecord::kBegin, begin);
    out += record(fwrecord::kErase, data());

    for (int at = 0; at < image.size(); at += fwrecord::kBlockBytes) {
        const QByteArray block = image.mid(at, fwrecord::kBlockBytes);
        QByteArray write = data();
        fwrecord::putU32(write, 0, std::uint32_t(at));
        fwrecord::putU16(write, kLengthOffset, int(block.size()));
        write.replace(fwrecord::kBlockDataOffset, int(block.size()), block);
        out += record(fwrecord::kWrite, write);
    }

    QByteArray version = data();
    version[0] = char(options.appVersionMajor);
    version[1] = char(options.appVersionMinor);
    version[2] = char(options.appVersionRelease);
    out += record(fwrecord::kSetVersion, version);

    QByteArray finish = data();
    fwrecord::putU32(finish, 0, std::uint32_t(image.size()));
    std::uint32_t crc = sectionCrc(image);
    if (options.damage == Damage::BadImageCrc)
        crc ^= 1;
    fwrecord::putU32(finish, kLengthOffset, crc);
    out += record(fwrecord::kFinish, finish);
    return out;
}

} // namespace

QByteArray header(int version, int productListMode, const QByteArray &productList,
                  const QByteArray &targetSerial)
{
    QByteArray out = kSignature;
    out.append(char(version));
    out.append(char(productListMode));
    out.append(char(productList.size()));
    out += productList;
    if (version == 2) {
        QByteArray field = targetSerial.left(kSerialFieldBytes);
        field.append(QByteArray(kSerialFieldBytes - int(field.size()), '\0'));
        out += field;
    }
    return out;
}

QByteArray record(std::uint8_t command, const QByteArray &recordData)
{
    QByteArray out(1, char(command));
    QByteArray body = recordData.left(fwrecord::kDataBytes);
    body.append(QByteArray(fwrecord::kDataBytes - int(body.size()), '\0'));
    out += body;
    appendChecksum(out);
    return out;
}

int recordCount(const QByteArray &file, int headerBytes)
{
    return (int(file.size()) - headerBytes) / kRecordBytes;
}

QByteArray writeFile(int productCode, const QByteArray &serial, const Options &options)
{
    QByteArray list = options.productList;
    if (list.isEmpty() && !options.allowAnyProduct)
        list = QByteArray(1, char(productCode & 0xFF));
    if (options.damage == Damage::WrongProduct)
        list = QByteArray(1, char((productCode + 1) & 0xFF));
    if (options.damage == Damage::WrongProductInFile)
        list.clear();
    QByteArray target = options.targetSerial;
    if (options.damage == Damage::WrongDevice)
        target = serial + "-OTHER";
    const int version =
        options.damage == Damage::BadVersion ? kUnsupportedVersion : options.version;

    QByteArray head = header(version, options.productListMode, list, target);
    if (options.damage == Damage::TruncatedHeader)
        return head.left(kSignature.size() + 3);
    QByteArray file = head + records(productCode, serial, options);

    switch (options.damage) {
    case Damage::BadSignature:
        file[0] = 'X';
        break;
    case Damage::NotSax:
        file[1] = 'Z';
        break;
    case Damage::TruncatedRecord:
        file.chop(1);
        break;
    case Damage::BadRecordChecksum: {
        const int at = int(head.size()) + options.damagedRecord * kRecordBytes + kRecordBytes - 1;
        if (at < file.size())
            file[at] = char(file[at] ^ 0x55);
        break;
    }
    default:
        break;
    }
    return file;
}

QByteArray writeFile(const DeviceProfile &profile, const Options &options)
{
    return writeFile(profile.productCode, profile.serialNumber, options);
}

} // namespace devsim::sax
