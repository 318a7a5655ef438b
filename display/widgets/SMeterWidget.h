#pragma once

#include <QWidget>

#include "SMeterPainter.h"

namespace velorix {

// The S-meter: 62 pixels high, its face drawn by SMeterPainter for the
// last reading given.
class SMeterWidget : public QWidget {
    Q_OBJECT
public:
    explicit SMeterWidget(int widthPx, QWidget* parent = nullptr);
    void SetReading(const SMeterReading& reading);
    const SMeterReading& Reading() const { return reading_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SMeterPainter painter_;
    SMeterReading reading_;
};

}  // namespace velorix
