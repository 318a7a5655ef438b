#include "DisplaySlots.h"

#include <QWidget>

#include "DiscardingConsumer.h"
#include "MainDisplay.h"
#include "SMeterWidget.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplay.h"

namespace velorix {
namespace {

QWidget* Blank(QWidget* window, const QRect& area, const char* name) {
    auto* w = new QWidget(window);
    w->setGeometry(area);
    w->setAccessibleName(QString::fromUtf8(name));
    return w;
}

}  // namespace

DisplaySlots SpectrumDisplays(QWidget* window, DisplayIntents& intents) {
    auto* main = new MainDisplay(intents, window);
    main->move(display_area::kMain);
    main->setAccessibleName("Main display");
    static_assert(display_area::kSecondarySize.height() - 2 - ScaleBarWidget::kHeight ==
                  kSecondaryPlotHeight);
    auto* secondary =
        new SecondaryDisplay(kSecondaryPlotWidth, kSecondaryPlotHeight, intents, window);
    secondary->move(display_area::kSecondary);
    secondary->setAccessibleName("Secondary display");
    auto* meter = new SMeterWidget(display_area::kSMeter.width(), window);
    meter->move(display_area::kSMeter.topLeft());
    meter->setAccessibleName("S-meter");

    DisplaySlots d;
    d.mainConsumer = &main->Renderer();
    d.secondaryConsumer = &secondary->Renderer();
    d.mainPlot = main;
    d.secondaryPlot = secondary;
    d.sMeter = meter;
    d.show = [main, secondary](DisplayId id, std::shared_ptr<const DisplayState> state) {
        if (id == DisplayId::Main)
            main->Show(std::move(state));
        else
            secondary->Show(std::move(state));
    };
    d.showMeter = [meter](const SMeterReading& r) { meter->SetReading(r); };
    return d;
}

DisplaySlots BlankDisplays(QWidget* window, DisplayIntents&) {
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
