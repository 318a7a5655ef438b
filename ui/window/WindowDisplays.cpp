#include "WindowDisplays.h"

#include <QWidget>

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

WindowDisplays BlankDisplays(QWidget* window) {
    WindowDisplays d;
    d.mainConsumer = std::make_unique<DiscardingConsumer>(4096);
    d.secondaryConsumer = std::make_unique<DiscardingConsumer>(256);
    d.mainPlot = Blank(window, display_area::kMain, "Main display");
    d.secondaryPlot = Blank(window, display_area::kSecondary, "Secondary display");
    d.sMeter = Blank(window, display_area::kSMeter, "S-meter");
    return d;
}

}  // namespace velorix
