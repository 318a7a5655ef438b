#pragma once

#include <cstdint>

#include "BitmapPanel.h"

namespace velorix {

// A thin horizontal track (x 5 … 5 + L, L = W - 10, rows 14 … 17) showing a
// position within a range of bytes. While enabled, a drag over the track
// selects a part of the range, reported as the play range.
class RecordingBar : public BitmapPanel {
    Q_OBJECT
public:
    static constexpr int kTrackLeft = 5;
    static constexpr int kTrackTop = 14;
    static constexpr int kTrackRows = 4;

    // `face` names the skin's face.
    RecordingBar(std::string face, QPoint pos, QWidget* parent);

    // Range in bytes; clears the selection and shows the minimum. An empty
    // range (maximum <= minimum) keeps the bar at its start and selects
    // nothing.
    void SetRange(std::int64_t minimum, std::int64_t maximum);
    void SetPosition(std::int64_t value);
    // Stores the flag and clears the selection.
    void SetEnabled(bool on);
    bool Enabled() const { return enabled_; }

    int TrackLength() const { return length_; }
    int BarEnd() const { return barEnd_; }
    // The selection in pixels; equal ends: nothing selected.
    int SelectionStart() const { return selStart_; }
    int SelectionEnd() const { return selEnd_; }

signals:
    // The user chose [first, last] bytes; the whole range after a click.
    void playRangeSelected(qint64 first, qint64 last);

protected:
    void PaintOver(QPainter& painter) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int OnTrack(int x) const;  // x limited to the track
    std::int64_t BytesAt(int x) const;
    void ClearSelection();

    int length_;
    std::int64_t minimum_ = 0;
    std::int64_t maximum_ = 100;
    double pixelsPerUnit_;
    int barEnd_ = kTrackLeft;
    int selStart_ = 0;
    int selEnd_ = 0;
    bool selecting_ = false;
    bool enabled_ = true;
};

}  // namespace velorix
