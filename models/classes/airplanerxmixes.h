#pragma once

#include "models/classes/airplanerximage.h"

#include <QList>
#include <QStringList>

// Mixes of the airplane receiver: which are in use, adding one, linking a mix to the surfaces
// its slave names, and the user's names for them.
namespace AirplaneRx {

// Mix indices that some surface's associatedMix names, sorted.
[[nodiscard]] QList<int> usedMixes(const AirplaneRxImage &image);

enum class AddMixResult : int {
    Added = 0,
    NoFreeMix = 1,
    NoFreeSurface = 2,
};

struct AddedMix
{
    AddMixResult result = AddMixResult::NoFreeMix;
    int mix = -1;
    int surfaceSlot = -1;
};

// Takes the first unused mix and gives it the first free surface slot among the first
// kMixSurfaceSlotLimit as its control-path surface; the mix's bytes come from `defaults`.
AddedMix addMix(AirplaneRxImage &image, const QByteArray &defaults);

// Takes `mix` out of use: the surfaces it drives are driven by no mix again, a control-path
// surface of its own becomes a free slot, the outputs that carried the mix or that surface are
// unassigned, and the mix's bytes go back to `defaults`. False, with the image unchanged, when
// the mix is not in use.
bool removeMix(AirplaneRxImage &image, const QByteArray &defaults, int mix);

// Stores `slave` as the slave code of `mix` and re-links the surfaces: an axis code drives all
// surfaces of that axis, any other code needs a control-path surface of the mix's own.
void setMixSlave(AirplaneRxImage &image, int mix, int slave);

// The names list made to fit `used`: as long as the highest used index + 1, unused names
// cleared, used mixes without a name given the first free "Mix n".
[[nodiscard]] QStringList fittedMixNames(QStringList names, const QList<int> &used);

} // namespace AirplaneRx
