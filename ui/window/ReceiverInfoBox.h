#pragma once

#include <memory>

#include "ReceiverInfo.h"

class QDialog;
class QWidget;

namespace velorix {

// The receiver information box: the program's icon and name, the fields
// "field1000" … "field1003" (serial, hardware, software, library), a note
// on what the program is ("note") and "OK".
std::unique_ptr<QDialog> ReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts);

// The box, modal until "OK".
void ShowReceiverInfoBox(QWidget* parent, const ReceiverInfoTexts& texts);

}  // namespace velorix
