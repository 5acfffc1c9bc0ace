#pragma once

#include <QColor>
#include <QWidget>

// A pie that fills as its value approaches its maximum: the bootloader's start window
// counting down.
class PieGauge : public QWidget
{
    Q_OBJECT
public:
    explicit PieGauge(QWidget *parent = nullptr);

    void setMaximum(int maximum);
    void setValue(int value);
    int value() const { return m_value; }
    int maximum() const { return m_maximum; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_value = 0;
    int m_maximum = 100;
    QColor m_fill;
    QColor m_background;
};
