#pragma once

#include <QWidget>

namespace ui {

// A round indicator lamp; FillColor is a colour number whose low byte is red.
class Led : public QWidget
{
    Q_OBJECT
public:
    // The colour numbers the panel's lamps take.
    static constexpr int kNoir = 0x000000, kRouge = 0x0000FF, kOlive = 0x008080;

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
