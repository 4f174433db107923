#include "widgets/TextCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QtMath>

namespace veltra {

void TextCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QStyle::State drawnByStyle = QStyle::State_Selected | QStyle::State_HasFocus;
    const QStyleOptionViewItem::ViewItemFeatures notText =
        QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The style's margin on either side of a cell's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect room = cell.rect.adjusted(margin, 0, -margin, 0);
    const QFontMetricsF metrics(cell.font);
    QString text = cell.text;
    qreal width = metrics.horizontalAdvance(text);
    // Several lines, and a text too wide for a view that wraps it, are the style's.
    const bool wraps =
        cell.features.testFlag(QStyleOptionViewItem::WrapText) && width > room.width();
    if ((cell.state & drawnByStyle) || (cell.features & notText) || wraps ||
        text.contains(QChar::LineFeed) || text.contains(QChar::LineSeparator)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }

    painter->save();
    painter->setClipRect(cell.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    if (!text.isEmpty()) {
        if (width > room.width()) {
            text = cell.fontMetrics.elidedText(text, cell.textElideMode, room.width());
            width = metrics.horizontalAdvance(text);
        }
        // The line placed in the cell as the style places it: at its exact width from a
        // right or centred alignment, its box centred or aligned vertically in whole
        // pixels, the text on its baseline.
        const Qt::Alignment align = QStyle::visualAlignment(cell.direction, cell.displayAlignment);
        const QRect box = QStyle::alignedRect(
            Qt::LeftToRight, align & Qt::AlignVertical_Mask,
            QSize(room.width(), qCeil(metrics.ascent() + metrics.descent())), room);
        qreal x = room.left();
        if (align & Qt::AlignRight)
            x += room.width() - width;
        else if (align & Qt::AlignHCenter)
            x += (room.width() - width) / 2;
        const QPalette::ColorGroup group =
            !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (cell.state & QStyle::State_Active) ? QPalette::Normal
                                                  : QPalette::Inactive;
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, QPalette::Text));
        painter->drawText(QPointF(x, box.top() + metrics.ascent()), text);
    }
    painter->restore();
}

} // namespace veltra
