#include "devicestate/devicecatalog.h"

#include <QByteArray>

#include <array>

namespace {

// Serial numbers end in 24 Base64 characters that hold 18 bytes of device data.
constexpr int kMinSerialNumberLength = 30;
constexpr int kEncodedTailLength = 24;
constexpr int kDecodedTailLength = 18;
constexpr int kProductLetterIndex = 8;

// Serial numbers carrying the letter 'G' belong to the product with letter 'N' when they hold
// "909H" at positions 2 to 5; no catalog entry carries 'G' itself.
constexpr char kAliasedLetter = 'G';
constexpr char kAliasTarget = 'N';
constexpr int kAliasMarkerPosition = 2;
constexpr char kAliasMarker[] = "909H";

// Serial codes below 32 are raw byte values, not printable letters. The order matters: the
// look-up returns the first match.
constexpr std::array<DeviceCatalogEntry, kDeviceCatalogSize> kDeviceCatalog{{
    {217, "ZR-217", "ZR-217 Receiver", "zr-217.png", '\x0c', "ZX217"},     // 0
    {224, "ZR-224", "ZR-224 Receiver", "zr-217.png", '\x11', "ZX224"},     // 1
    {218, "ZR-218", "ZR-218 Receiver", "zr-218.png", '\x15', "ZX218"},     // 2
    {219, "ZR-219", "ZR-219 Receiver", "zr-219.png", '\x19', "ZX219"},     // 3
    {231, "ZR-231", "ZR-231 Receiver", "zr-231.png", '\x1a', "ZX231"},     // 4
    {231, "ZR-231A", "ZR-231A Receiver", "zr-231a.png", '\x1e', "ZX231A"}, // 5
    {225, "ZC-225", "ZC-225 Programming Cable", "", '\x12', " "},          // 6
    {238, "ZR-238", "ZR-238 Receiver", "", ' ', "ZX238"},                  // 7
    {214, "ZR-214", "ZR-214 Receiver", "", '\x0a', "ZX214"},               // 8
    {216, "ZR-216", "ZR-216 Receiver", "", '\x0b', "ZX216"},               // 9
    {239, "ZT-239", "ZT-239 Transmitter", "", '!', "ZX239"},               // 10
    {87, "ZT-87", "ZT-87 Transmitter", "", '9', "ZX087"},                  // 11
    {90, "ZT-90", "ZT-90 Transmitter", "", 'E', "ZX090"},                  // 12
    {81, "ZT-81", "ZT-81 Transmitter", "", '3', "ZX081"},                  // 13
    {58, "ZS-58", "ZS-58 Stabiliser Box", "", '(', "ZX058"},               // 14
    {41, "ZR-41", "ZR-41 Receiver", "", '%', "ZX041"},                     // 15
    {40, "ZR-40", "ZR-40 Receiver", "", '&', "ZX040"},                     // 16
    {42, "ZR-42", "ZR-42 Receiver", "", '\'', "ZX042"},                    // 17
    {43, "ZR-43", "ZR-43 Receiver", "", '*', "ZX043"},                     // 18
    {44, "ZR-44", "ZR-44 Receiver", "", '-', "ZX044"},                     // 19
    {45, "ZR-45", "ZR-45 Receiver", "", ',', "ZX045"},                     // 20
    {46, "ZR-46", "ZR-46 Receiver", "", '+', "ZX046"},                     // 21
    {37, "ZR-37", "ZR-37 Receiver", "", '.', "ZX037"},                     // 22
    {38, "ZR-38", "ZR-38 Receiver", "", '/', "ZX038"},                     // 23
    {39, "ZR-39", "ZR-39 Receiver", "", '0', "ZX039"},                     // 24
    {69, "ZM-69", "ZM-69 Remote Receiver", "", '6', "ZX069"},              // 25
    {71, "ZR-71", "ZR-71 Receiver", "", '=', "ZX071"},                     // 26
    {72, "ZR-72", "ZR-72 Receiver", "", '?', "ZX072"},                     // 27
    {74, "ZR-74", "ZR-74 Receiver", "", '@', "ZX074"},                     // 28
    {76, "ZR-76", "ZR-76 Receiver", "", 'A', "ZX076"},                     // 29
    {76, "ZR-76A", "ZR-76A Receiver", "", 'B', "ZX076A"},                  // 30
    {76, "ZR-76B", "ZR-76B Receiver", "", 'C', "ZX076B"},                  // 31
    {75, "ZR-75", "ZR-75 Receiver", "", 'D', "ZX075"},                     // 32
    {136, "ZM-136", "ZM-136 Remote Receiver", "", 'M', "ZX136"},           // 33
    {140, "ZM-140", "ZM-140 Remote Receiver", "", 'S', "ZX140"},           // 34
    {131, "ZR-131", "ZR-131 Receiver", "", 'F', "ZX131"},                  // 35
    {132, "ZR-132", "ZR-132 Receiver", "", 'J', "ZX132"},                  // 36
    {137, "ZR-137", "ZR-137 Receiver", "", 'N', "ZX137"},                  // 37
    {133, "ZR-133", "ZR-133 Receiver", "", 'K', "ZX133"},                  // 38
    {143, "ZR-143", "ZR-143 Receiver", "", 'U', "ZX143"},                  // 39
    {141, "ZR-141", "ZR-141 Receiver", "", 'V', "ZX141"},                  // 40
    {142, "ZR-142", "ZR-142 Receiver", "", 'W', "ZX142"},                  // 41
    {108, "ZR-108", "ZR-108 Receiver", "", 'X', "ZX108"},                  // 42
    {107, "ZR-107", "ZR-107 Receiver", "", '[', "ZX107"},                  // 43
    {106, "ZR-106", "ZR-106 Receiver", "", '\\', "ZX106"},                 // 44
    {138, "ZT-138", "ZT-138 Transmitter", "", 'O', "ZX138"},               // 45
    {139, "ZT-139", "ZT-139 Transmitter", "", 'R', "ZX139"},               // 46
    {109, "ZR-109", "ZR-109 Receiver", "", '^', "ZX109"},                  // 47
    {110, "ZR-110", "ZR-110 Receiver", "", '_', "ZX110"},                  // 48
    {122, "ZR-122", "ZR-122 Receiver", "", 'd', "ZX122"},                  // 49
    {124, "ZR-124", "ZR-124 Receiver", "", 'e', "ZX124"},                  // 50
    {126, "ZR-126", "ZR-126 Receiver", "", 'f', "ZX126"},                  // 51
    {120, "ZR-120", "ZR-120 Receiver", "", '$', "ZX120"},                  // 52
    {121, "ZR-121", "ZR-121 Serial Receiver", "", '1', "ZX121"},           // 53
    {253, "ZU-253", "ZU-253 Control Unit", "", ')', "ZX253"},              // 54
    {25, "ZI-25", "ZI-25 Remote Identification Module", "", 'q', "ZX025"}, // 55
    {676, "ZA-676", "ZA-676 USB Adapter", "", 'y', "ZX676"},               // 56
    {677, "ZW-677", "ZW-677 Wireless Simulator Dongle", "", 'z', "ZX677"}, // 57
}};

} // namespace

std::span<const DeviceCatalogEntry, kDeviceCatalogSize> deviceCatalog()
{
    return kDeviceCatalog;
}

const DeviceCatalogEntry *catalogEntryForSerialNumber(const QString &serialNumber)
{
    if (serialNumber.size() < kMinSerialNumberLength)
        return nullptr;
    const QByteArray decoded =
        QByteArray::fromBase64(serialNumber.right(kEncodedTailLength).toLatin1());
    if (decoded.size() != kDecodedTailLength)
        return nullptr;

    char letter = decoded.at(kProductLetterIndex);
    const QLatin1String aliasMarker(kAliasMarker);
    if (letter == kAliasedLetter &&
        serialNumber.mid(kAliasMarkerPosition, aliasMarker.size()) == aliasMarker)
        letter = kAliasTarget;

    for (const auto &entry : kDeviceCatalog) {
        if (entry.serialCode == letter)
            return &entry;
    }
    return nullptr;
}
