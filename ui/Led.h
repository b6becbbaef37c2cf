#pragma once

#include <QWidget>

namespace ui {

// A round indicator lamp; FillColor is a colour number whose low byte is red.
class Led : public QWidget
{
    Q_OBJECT
public:
    explicit Led(QWidget* parent = nullptr) : QWidget(parent) {}

    void setFillColor(int bgr);
    int FillColor() const { return fillColor_; }
    QColor color() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int fillColor_ = 0;
};

} // namespace ui
