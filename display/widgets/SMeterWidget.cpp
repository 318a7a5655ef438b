#include "SMeterWidget.h"

#include <QPainter>

namespace velorix {

SMeterWidget::SMeterWidget(int widthPx, QWidget* parent) : QWidget(parent), painter_(widthPx) {
    setFixedSize(widthPx, SMeterPainter::kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SMeterWidget::SetReading(const SMeterReading& reading) {
    reading_ = reading;
    update();
}

void SMeterWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    painter_.Paint(p, reading_);
}

}  // namespace velorix
