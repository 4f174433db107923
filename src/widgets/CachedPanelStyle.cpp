#include "widgets/CachedPanelStyle.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionFrame>

namespace veltra {

CachedPanelStyle::CachedPanelStyle(QStyle* base) : QProxyStyle(base) {}

CachedPanelStyle* CachedPanelStyle::Instance()
{
    static QPointer<CachedPanelStyle> instance;
    if (!instance) {
        QStyle* base = QStyleFactory::create(QApplication::style()->name());
        instance = new CachedPanelStyle(base);
        instance->setParent(qApp);
    }
    return instance;
}

void CachedPanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    const QWidget* box = widget ? widget->parentWidget() : nullptr;
    if (element != PE_PanelLineEdit || !frame || !qobject_cast<const QLineEdit*>(widget) ||
        qobject_cast<const QComboBox*>(box) || qobject_cast<const QAbstractSpinBox*>(box) ||
        option->rect.isEmpty()) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QString key = QStringLiteral("veltra-line-edit-panel %1x%2 %3 %4 %5 %6 %7 %8")
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(uint(option->state))
                            .arg(int(option->direction))
                            .arg(option->palette.cacheKey())
                            .arg(frame->lineWidth)
                            .arg(uint(frame->features))
                            .arg(ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(option->rect.size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QStyleOptionFrame atOrigin(*frame);
        atOrigin.rect.moveTo(0, 0);
        QPainter onPixmap(&pixmap);
        QProxyStyle::drawPrimitive(element, &atOrigin, &onPixmap, widget);
        onPixmap.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(option->rect.topLeft(), pixmap);
}

} // namespace veltra
