#include "WaterfallImage.h"

#include <QImage>
#include <QString>
#include <cstring>

#include "DisplayTables.h"

namespace velorix {

bool WriteWaterfallPng(const std::string& path, const std::vector<std::vector<std::uint8_t>>& lines,
                       std::string& why) {
    if (lines.empty() || lines.front().empty()) {
        why = "no spectrum was computed, so there is no waterfall to write";
        return false;
    }
    const int width = static_cast<int>(lines.front().size());
    const int height = static_cast<int>(lines.size());
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const Rgb& c : WaterfallPalette())
        colours.push_back(qRgb(c.r, c.g, c.b));
    image.setColorTable(colours);
    for (int y = 0; y < height; ++y) {
        // The newest line at the top, as the display scrolls down.
        const auto& line = lines[height - 1 - y];
        std::memcpy(image.scanLine(y), line.data(), std::min<size_t>(line.size(), width));
    }
    if (!image.save(QString::fromStdString(path), "PNG")) {
        why = "cannot write the waterfall to " + path;
        return false;
    }
    return true;
}

}  // namespace velorix
