#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "ControlTable.h"

namespace velorix::test {

// One control in one state, as it draws itself. Cells of one control with
// the same `look` must draw alike (a disabled square, which has no caption
// to halve, looks as an enabled one); cells with different looks must not.
struct ContactCell {
    ControlKind kind;
    QString control;
    QString state;
    QString look;
    QImage image;
};

// Every skinned control in every state (up, lit, grey, pressed, checked,
// disabled; slider positions; readout texts; recording bar with position and
// selection; station lines).
std::vector<ContactCell> EveryControlInEveryState();

// The cells on one sheet, titled, small controls twice as large: what the
// skin looks like, for the documentation and for review.
QImage ContactSheet(const std::vector<ContactCell>& cells, int width = 1024);

}  // namespace velorix::test
