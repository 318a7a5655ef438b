#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ControlActions.h"
#include "ControlTable.h"
#include "PanelState.h"

namespace velorix {
namespace {

// Every control that sends a command has one operation, and no operation
// waits for a command no control sends; the names tell the controls apart.
TEST(ControlTable, EveryCommandHasItsOperationAndAName) {
    std::set<std::string> names;
    for (const ControlRow& c : ControlTable()) {
        if (c.id < 0) continue;
        EXPECT_NE(ActionFor(static_cast<ControlId>(c.id)), nullptr) << c.name;
        EXPECT_TRUE(names.insert(c.name).second) << c.name << " names two controls";
    }
    for (int id = 0; id < 1000; ++id) {
        if (ActionFor(static_cast<ControlId>(id)) != nullptr) {
            EXPECT_NE(FindControl(static_cast<ControlId>(id)), nullptr) << id;
        }
    }
    EXPECT_EQ(ControlName(ControlId::Presel), "Presel");
    EXPECT_EQ(ControlName(ControlId::CentreDown), "ARROWL 260");
    EXPECT_EQ(ControlName(Offset(ControlId::Agc0, 3)), "Off 243");
    EXPECT_EQ(ControlName(static_cast<ControlId>(999)), "control 999");
}

// A slider's first value is a change even when it is 0, the value an unset
// slider reads as; an unchanged value is none.
TEST(PanelState, ASlidersFirstValueIsReportedEvenWhenItIsZero) {
    for (const int value : {0, -200}) {
        SCOPED_TRACE(value);
        const PanelState before;
        PanelState after;
        after.SetSlider(ControlId::NoiseRedSlider, value);
        const PanelChanges first = Diff(before, after);
        ASSERT_EQ(first.sliders.size(), 1u);
        EXPECT_EQ(first.sliders[0].first, ControlId::NoiseRedSlider);
        EXPECT_EQ(first.sliders[0].second, value);
        EXPECT_TRUE(Diff(after, after).Empty());
    }
}

}  // namespace
}  // namespace velorix
