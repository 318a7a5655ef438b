#include "WidgetTestSupport.h"

namespace velorix::test {

std::shared_ptr<const DisplayState> MainState(int function) {
    auto s = std::make_shared<DisplayState>();
    s->geometry.Reconfigure(4096, 500.0, 14150.0);
    s->tunedX = s->geometry.KHzToPixel(14150.0);
    s->band = {s->tunedX + 3, s->tunedX + 23};
    s->function = function;
    return s;
}

}  // namespace velorix::test
