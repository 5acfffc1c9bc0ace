#include "ui/firmware/PieGauge.h"

#include <QPainter>

#include <algorithm>

PieGauge::PieGauge(QWidget *parent)
    : QWidget(parent)
    , m_fill(0, 128, 0)
    , m_background(180, 180, 180) // the colour of an active window's border
{
}

void PieGauge::setMaximum(int maximum)
{
    m_maximum = std::max(maximum, 1);
    update();
}

void PieGauge::setValue(int value)
{
    m_value = std::clamp(value, 0, m_maximum);
    update();
}

void PieGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int side = std::min(width(), height()) - 2;
    const QRect circle((width() - side) / 2, (height() - side) / 2, side, side);
    painter.setBrush(m_background);
    painter.drawEllipse(circle);
    // Clockwise from twelve o'clock; Qt counts sixteenths of a degree, anticlockwise.
    const int span = -360 * 16 * m_value / m_maximum;
    painter.setBrush(m_fill);
    painter.drawPie(circle, 90 * 16, span);
}
