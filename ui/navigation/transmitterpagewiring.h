#pragma once

#include "models/pageinfo.h"

class QObject;
class TransmitterModel;

// Shows the transmitter's curve and differential pages only for the aircraft they fit, now
// and whenever the model's aircraft or wing type changes, for as long as `context` lives.
// The pages of `records` must outlive `context`.
void followTransmitterAircraft(TransmitterModel &model, const PageInfoList &records,
                               QObject *context);
