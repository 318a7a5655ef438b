#pragma once

#include <QRect>
#include <functional>
#include <memory>

#include "DisplayControl.h"
#include "DspBlock.h"
#include "SMeterValues.h"

class QWidget;

namespace velorix {

// What the window shows of the spectrum: the consumers behind the two display
// threads, the widgets at the display positions and what the control layer
// asks of them. The window owns the consumers (they outlive the receiver's
// shutdown) and parents the widgets.
struct WindowDisplays {
    std::unique_ptr<CDspConsumer> mainConsumer;
    std::unique_ptr<CDspConsumer> secondaryConsumer;
    QWidget* mainPlot = nullptr;
    QWidget* secondaryPlot = nullptr;
    QWidget* sMeter = nullptr;
    // Owned by the displays' maker when not null.
    std::shared_ptr<DisplayControl> control;
    // The meter reading every 100 ms (null: not shown).
    std::function<void(const SMeterReading&)> showMeter;
};

// Builds the displays over `window`.
using DisplayFactory = std::function<WindowDisplays(QWidget* window)>;

// Where the displays sit in the window.
namespace display_area {
inline constexpr QRect kMain{177, 27, 820, 272};
inline constexpr QRect kSecondary{220, 386, 207, 152};
inline constexpr QRect kSMeter{590, 386, 314, 68};
}  // namespace display_area

// Consumers that take every block and show nothing, and empty widgets at the
// display positions: the window without spectrum displays.
WindowDisplays BlankDisplays(QWidget* window);

}  // namespace velorix
