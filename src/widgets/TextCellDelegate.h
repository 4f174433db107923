// Table cells that hold text only, painted with one measurement of their text.
#pragma once

#include <QStyledItemDelegate>

namespace veltra {

/// Paints a cell of text as the style does (its background, its text in the item's font,
/// colour and alignment between the style's margins, cut with an ellipsis when it is
/// wider), but measures the text once: the style lays a cell's text out four times to find
/// the places of a check box and an icon that text cells do not have. Cells with a check
/// box or an icon, and the selection and focus, are left to the style.
class TextCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace veltra
