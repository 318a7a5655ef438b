#include "StationLabelPainter.h"

#include <cmath>

#include <QFontMetrics>
#include <QPainter>

#include "DisplayFont.h"
#include "PlotLayers.h"
#include "StationLabels.h"

namespace velorix {

namespace {

constexpr int kMarginPx = 3;  // text to box edge, each side
constexpr int kTickPx = 3;    // box to station, below the box
constexpr int kTopPx = 2;     // plot edge to the first row

// Smoothed, unlike the scales: names are read, not compared pixel by pixel.
QFont LabelFont() {
    QFont font = DisplayFont(0.0, 10);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace

int StationLabelPainter::BoxWidth(const std::string& text) {
    return QFontMetrics(LabelFont()).horizontalAdvance(QString::fromStdString(text)) +
           2 * kMarginPx;
}

int StationLabelPainter::RowHeight() {
    static const int height = QFontMetrics(LabelFont()).height() + kTickPx;
    return height;
}

bool StationLabelPainter::Draw(QImage& image, const std::vector<StationLabel>& labels) {
    const bool changed = labels != drawn_;
    if (labels.empty()) {
        drawn_.clear();
        return changed;
    }
    const int rowHeight = RowHeight();
    const int boxHeight = rowHeight - kTickPx;
    // The layer has the frame's pixel ratio: the names are drawn at the
    // screen's resolution, placed in window pixels.
    const qreal ratio = image.devicePixelRatio();
    if (changed || layer_.width() != image.width() || layer_.devicePixelRatio() != ratio) {
        drawn_ = labels;
        const int logicalWidth = static_cast<int>(std::lround(image.width() / ratio));
        layer_ = QImage(QSize(logicalWidth, kTopPx + kStationLabelRows * rowHeight) * ratio,
                        QImage::Format_ARGB32_Premultiplied);
        layer_.setDevicePixelRatio(ratio);
        layer_.fill(Qt::transparent);
        inked_.clear();
        QPainter p(&layer_);
        p.setFont(LabelFont());
        const QColor text = QColor::fromRgb(plotcolour::kStationName);
        for (const StationLabel& l : labels) {
            const int top = kTopPx + l.row * rowHeight;
            const QRect box(l.left, top, l.width, boxHeight);
            const QRect tick(l.x, top + boxHeight, 1, kTickPx);
            p.fillRect(box, QColor(0, 0, 0, 170));
            p.setPen(text);
            p.drawText(box, Qt::AlignCenter, QString::fromStdString(l.text));
            p.fillRect(tick, text);
            inked_.push_back(box);
            inked_.push_back(tick);
        }
    }
    // Only the boxes and ticks are blended, not the clear rest of the layer.
    QPainter p(&image);
    const DevicePixels dp(ratio);
    for (const QRect& r : inked_)
        p.drawImage(r, layer_, dp.Of(r));
    return changed;
}

}  // namespace velorix
