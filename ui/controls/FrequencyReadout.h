#pragma once

#include <QFont>
#include <cstdint>

#include "BitmapPanel.h"

namespace velorix {

class FrequencyKeypad;

// The tuned frequency in large amber digits: sign, MHz and kHz in the big
// font right-aligned with its bottom at (W - 40, H), the Hz in the small font
// with its top-left at (W - 38, 6). The wheel over a digit tunes by that
// digit's power of ten; a double click opens the frequency keypad.
class FrequencyReadout : public BitmapPanel {
    Q_OBJECT
public:
    // `face` names the skin's face.
    FrequencyReadout(std::string face, QPoint pos, QWidget* parent);

    void SetFrequency(std::int64_t hz);
    // The two texts as the control layer formatted them (" 14.150", "000").
    void SetTexts(const QString& big, const QString& small);
    const QString& BigText() const { return big_; }
    const QString& SmallText() const { return small_; }

    // The digit under x for a readout `width` pixels wide: 0 (1 Hz) … 6 (1 MHz).
    static int DigitAt(int x, int width);
    // A wheel turn forwarded by the window, with the pointer at x.
    void Wheel(int delta, int x);

    FrequencyKeypad& Keypad() { return *keypad_; }

signals:
    // Tune by `delta` wheel units (120 a step) of 10^digit Hz.
    void wheelTuning(int delta, int digit);

protected:
    void PaintOver(QPainter& painter) const override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QFont bigFont_;
    QFont smallFont_;
    QString big_;
    QString small_;
    int wheelRest_ = 0;  // smooth-scroll deltas not yet a whole step
    FrequencyKeypad* keypad_;
};

}  // namespace velorix
