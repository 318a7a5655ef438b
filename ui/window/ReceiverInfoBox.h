#pragma once

#include "ReceiverInfo.h"

class QWidget;

namespace velorix {

// The receiver information box, modal until "OK".
void ShowReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts);

}  // namespace velorix
