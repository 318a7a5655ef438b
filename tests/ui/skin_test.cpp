#include <gtest/gtest.h>

#include "Skin.h"
#include "SkinLayout.h"

namespace velorix::skin {
namespace {

TEST(Skin, DrawsTheSamePngBytesOnEveryRun) {
    const Skin first = Skin::Generate();
    const Skin second = Skin::Generate();
    ASSERT_EQ(first.Names(), second.Names());
    for (const std::string& name : first.Names())
        EXPECT_EQ(first.Face(name), second.Face(name)) << name;
}

TEST(Skin, FacesHaveTheirWindowSizes) {
    const Skin& skin = Skin::Shared();
    struct Size {
        const char* face;
        int w, h;
    };
    const Size sizes[] = {
        {"ARROWLU", 22, 20},   {"BTNDARKG", 39, 20},      {"RECORDD", 40, 20},
        {"SQUAREDC", 22, 20},  {"IDB_CHKDARKUC", 39, 20}, {"IDB_CHK49x25DU", 49, 25},
        {"IDB_EXITD", 21, 21}, {"134", 1024, 620},        {"190", 349, 80},
    };
    for (const Size& s : sizes)
        EXPECT_EQ(skin.Face(s.face).size(), QSize(s.w, s.h)) << s.face;
    // The frame buttons are never disabled and have no grey face.
    EXPECT_FALSE(skin.Has("IDB_LOGOG"));
    EXPECT_THROW(skin.Face("ARROWXU"), std::out_of_range);
}

TEST(Skin, PlacedFacesStayWithinTheirNeighbours) {
    const Skin& skin = Skin::Shared();
    EXPECT_TRUE(Overlaps(skin, WindowLayout()).empty());
    // The readout ends before the display at x 177 and the "Span" label at
    // y 284; the slider tracks end above the status row at y 566.
    const auto find = [](FaceKind kind, int id) {
        for (const PlacedFace& f : WindowLayout())
            if (f.kind == kind && f.id == id) return f;
        return PlacedFace{};
    };
    const QRect readout = FaceRect(skin, find(FaceKind::Readout, -1));
    EXPECT_LE(readout.right(), 176);
    EXPECT_LE(readout.bottom(), 283);
    EXPECT_LT(FaceRect(skin, find(FaceKind::Slider, 334)).bottom(), 566);
    EXPECT_LT(skin.Face("188").height(), skin.Face("187").height());
}

TEST(Skin, OverlapCheckFindsSharedPixelsAndFacesOffTheWindow) {
    const Skin& skin = Skin::Shared();
    const std::vector<PlacedFace> layout = {
        {FaceKind::Button, 181, "ARROWU", "", 145, 145},
        {FaceKind::Button, 180, "ARROWD", "", 166, 164},   // shares pixel (166, 164)
        {FaceKind::Button, 183, "ARROWU", "", 167, 200},   // just beside: apart
        {FaceKind::Button, 144, "IDB_EXIT", "", 1004, 3},  // reaches x 1024
    };
    const std::vector<std::string> found = Overlaps(skin, layout);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_NE(found[0].find("edge"), std::string::npos);
    EXPECT_NE(found[1].find("181"), std::string::npos);
    EXPECT_NE(found[1].find("180"), std::string::npos);
}

}  // namespace
}  // namespace velorix::skin
