#include "DisplaySlots.h"

#include <QWidget>

#include "AssembledReceiver.h"
#include "MainDisplay.h"
#include "ReceiverEngine.h"
#include "SMeterWidget.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplay.h"
#include "WindowDisplays.h"

namespace velorix {
namespace {

// Takes every full buffer and drops it.
class DiscardingConsumer : public CDspConsumer {
public:
    explicit DiscardingConsumer(int capacity) : CDspConsumer(kDspTypeComplex, capacity, 0) {}
    void BufferFull() override { buffer->Commit(); }
    std::string& GetName(std::string& name) override { return name = "CDiscard"; }
};

QWidget* Blank(QWidget* window, const QRect& area, const char* name) {
    auto* w = new QWidget(window);
    w->setGeometry(area);
    w->setAccessibleName(QString::fromUtf8(name));
    return w;
}

}  // namespace

DisplaySlots SpectrumDisplays(QWidget* window, AssembledReceiver& receiver, TuningSink& sink) {
    const SettingsRecord& settings = receiver.Settings();
    auto* main = new MainDisplay(settings, sink, window);
    main->move(display_area::kMain);
    main->setAccessibleName("Main display");
    const int secondaryPlotHeight =
        display_area::kSecondarySize.height() - 2 - ScaleBarWidget::kHeight;
    auto* secondary = new SecondaryDisplay(display_area::kSecondarySize.width(),
                                           secondaryPlotHeight, settings, sink, window);
    secondary->move(display_area::kSecondary);
    secondary->setAccessibleName("Secondary display");
    auto* meter = new SMeterWidget(display_area::kSMeter.width(), window);
    meter->move(display_area::kSMeter.topLeft());
    meter->setAccessibleName("S-meter");

    // The engine exists from the start-up on; before it the rates are unknown.
    AssembledReceiver* rx = &receiver;
    DisplaySlots d;
    d.mainConsumer = &main->Renderer();
    d.secondaryConsumer = &secondary->Renderer();
    d.mainPlot = main;
    d.secondaryPlot = secondary;
    d.sMeter = meter;
    d.control = std::make_shared<WindowDisplays>(
        *main, *secondary, [rx] { return rx->Engine() ? rx->Engine()->BandPassRateKHz() : 0.0; },
        [rx] { return rx->Engine() ? rx->Engine()->CarrierOffsetHz() : 0.0; });
    d.showMeter = [meter](const SMeterReading& r) { meter->SetReading(r); };
    d.afterApply = [main] { main->UpdatePassband(); };
    return d;
}

DisplaySlots BlankDisplays(QWidget* window, AssembledReceiver&, TuningSink&) {
    DisplaySlots d;
    d.ownedMain = std::make_unique<DiscardingConsumer>(4096);
    d.ownedSecondary = std::make_unique<DiscardingConsumer>(256);
    d.mainConsumer = d.ownedMain.get();
    d.secondaryConsumer = d.ownedSecondary.get();
    const QPoint m = display_area::kMain;
    d.mainPlot = Blank(window,
                       QRect(m.x(), m.y(), MainDisplay::kWidth,
                             MainDisplay::kHeight + 2 + ScaleBarWidget::kHeight),
                       "Main display");
    d.secondaryPlot = Blank(window, QRect(display_area::kSecondary, display_area::kSecondarySize),
                            "Secondary display");
    d.sMeter = Blank(window, display_area::kSMeter, "S-meter");
    return d;
}

}  // namespace velorix
