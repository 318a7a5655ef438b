#pragma once

#include <QRect>
#include <functional>
#include <memory>

#include "DisplayState.h"
#include "DspBlock.h"
#include "SMeterValues.h"

class QWidget;

namespace velorix {

class DisplayIntents;

// What the window shows of the spectrum: the consumers behind the two display
// threads and the widgets at the display positions. The consumers outlive the
// receiver's shutdown: either the slots own them, or they belong to widgets
// parented to the window, which Qt deletes after the window's members.
struct DisplaySlots {
    std::unique_ptr<CDspConsumer> ownedMain;
    std::unique_ptr<CDspConsumer> ownedSecondary;
    CDspConsumer* mainConsumer = nullptr;
    CDspConsumer* secondaryConsumer = nullptr;
    QWidget* mainPlot = nullptr;
    QWidget* secondaryPlot = nullptr;
    QWidget* sMeter = nullptr;
    // Hands a display its new state (null: nothing shows a state).
    std::function<void(DisplayId, std::shared_ptr<const DisplayState>)> show;
    // The meter reading every 100 ms (null: not shown).
    std::function<void(const SMeterReading&)> showMeter;
};

// Builds the displays over `window`; the mouse over them asks `intents`.
using DisplayFactory = std::function<DisplaySlots(QWidget* window, DisplayIntents& intents)>;

// Where the displays sit in the window: the main plot with its slide bar, the
// secondary plot with its scale, and the S-meter.
namespace display_area {
inline constexpr QPoint kMain{177, 28};
inline constexpr QPoint kSecondary{221, 368};
inline constexpr QSize kSecondarySize{204, 147};
inline constexpr QRect kSMeter{597, 370, 310, 62};
}  // namespace display_area

// The spectrum and waterfall displays, the secondary display and the S-meter.
DisplaySlots SpectrumDisplays(QWidget* window, DisplayIntents& intents);

// Consumers that take every block and show nothing, and empty widgets at the
// display positions: the window without spectrum displays.
DisplaySlots BlankDisplays(QWidget* window, DisplayIntents& intents);

}  // namespace velorix
