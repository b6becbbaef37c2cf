#include "ui/CachedLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace ui {

// What QLabel paints for plain text: frame, then the text in the contents rectangle less the
// margin and the indent, aligned, in the foreground role's colour.
QImage CachedLabel::picture() const
{
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(backgroundRole()));
    QPainter painter(&image);
    const_cast<CachedLabel*>(this)->drawFrame(&painter);
    QRect cr = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int indent = this->indent();
    if (indent < 0 && frameWidth()) indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    if (indent > 0) {
        if (align & Qt::AlignLeft) cr.setLeft(cr.left() + indent);
        if (align & Qt::AlignRight) cr.setRight(cr.right() - indent);
        if (align & Qt::AlignTop) cr.setTop(cr.top() + indent);
        if (align & Qt::AlignBottom) cr.setBottom(cr.bottom() - indent);
    }
    painter.setFont(font());
    const int flags = int(align) | (layoutDirection() == Qt::LeftToRight ? Qt::TextForceLeftToRight
                                                                          : Qt::TextForceRightToLeft);
    style()->drawItemText(&painter, cr, flags, palette(), isEnabled(), text(), foregroundRole());
    return image;
}

CachedLabel::Settings CachedLabel::settings() const
{
    return {alignment(), frameStyle(), lineWidth(), midLineWidth(), margin(), indent()};
}

void CachedLabel::paintEvent(QPaintEvent* event)
{
    // Rich text, pixmaps and selectable text are QLabel's own business; so are transparent
    // labels, whose anti-aliased edges blend with whatever lies under them.
    const Qt::TextInteractionFlags selectable =
        Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable;
    if (!autoFillBackground() || textFormat() != Qt::PlainText || !pixmap().isNull() ||
        (textInteractionFlags() & selectable) || wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    if (const Settings now = settings(); !(now == settings_)) {
        pictures_.clear();
        settings_ = now;
    }
    auto found = pictures_.constFind(text());
    if (found == pictures_.cend()) {
        if (pictures_.size() >= kMaxPictures) pictures_.clear();
        found = pictures_.insert(text(), picture());
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), *found);
}

void CachedLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        pictures_.clear();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void CachedLabel::resizeEvent(QResizeEvent* event)
{
    pictures_.clear();
    QLabel::resizeEvent(event);
}

} // namespace ui
