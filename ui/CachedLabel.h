#pragma once

#include <QHash>
#include <QImage>
#include <QLabel>

namespace ui {

// A plain-text label that keeps the picture of each text it has shown, when it fills its own
// background. The status panels and
// the read-outs change on every frame, but among a handful of texts: laying out and shading
// the same caption again costs more than all the rest of a frame's drawing. Looks exactly as
// a QLabel with the same settings does.
class CachedLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture() const;

    // What the pictures depend on besides the text and what change events report.
    struct Settings
    {
        Qt::Alignment align;
        int frame = 0, line = 0, midLine = 0, margin = 0, indent = 0;
        bool operator==(const Settings&) const = default;
    };
    Settings settings() const;

    static constexpr qsizetype kMaxPictures = 64;
    QHash<QString, QImage> pictures_;
    Settings settings_;
};

} // namespace ui
