#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>

#include "ProgramIcon.h"
#include "ReceiverInfoBox.h"
#include "UiTest.h"

namespace velorix {
namespace {

// Pixels of the icon's amber frame and wave (#c48000, #f0b030) over its dark
// ground, blended at their edges.
int Amber(const QPixmap& icon) {
    const QImage img = icon.toImage().convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qAlpha(p) > 128 && qRed(p) > 120 && qBlue(p) < qRed(p) / 2;
        }
    return n;
}

TEST(ProgramIcon, IsDrawnFromTheSvgAtEverySizeADesktopAsksFor) {
    const QIcon icon = ProgramIcon();
    for (const int size : {16, 32, 48}) {
        const QPixmap pixmap = icon.pixmap(size);
        ASSERT_FALSE(pixmap.isNull()) << size << " px: is Qt's SVG icon engine (libqt6svg6) there?";
        EXPECT_EQ(pixmap.size(), QSize(size, size));
        // The frame alone is some 4 x size pixels.
        EXPECT_GE(Amber(pixmap), 3 * size) << size;
    }
}

TEST(ReceiverInfoBox, ShowsTheIconTheFourFieldsAndANoteOnWhatTheProgramIs) {
    const auto box = ReceiverInfoBox(nullptr, {"12345-0605-0403-0201", "2.3", "Beta 0.31", "1.5"});
    EXPECT_EQ(box->windowTitle(), "Velorix - General Settings");
    for (const int size : {16, 32, 48})
        EXPECT_FALSE(box->windowIcon().pixmap(size).isNull()) << size;
    const QLabel* icon = box->findChild<QLabel*>("icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_GE(Amber(icon->pixmap()), 3 * 32);
    QStringList fields;
    for (int id = 1000; id <= 1003; ++id)
        fields << box->findChild<QLabel*>(QString("field%1").arg(id))->text();
    EXPECT_EQ(fields, (QStringList{"12345-0605-0403-0201", "2.3", "Beta 0.31", "1.5"}));
    const QLabel* note = box->findChild<QLabel*>("note");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text().count('\n'), 2) << note->text().toStdString();  // three lines
}

}  // namespace
}  // namespace velorix
