#include "widgets/DbNavigator.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "widgets/ErrorGuard.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace veltra {

namespace {

QToolButton* NavButton(QWidget* parent, const char* name, Qt::ArrowType arrow, bool bar,
                       const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setArrowType(arrow);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    if (bar)
        button->setText(QStringLiteral("|"));
    button->setToolButtonStyle(bar ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    button->setMinimumWidth(28);
    return button;
}

} // namespace

DbNavigator::DbNavigator(const ErrorGuard* guard, QWidget* parent) : QWidget(parent), m_guard(guard)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_first = NavButton(this, "nbFirst", Qt::LeftArrow, true, QStringLiteral("First"));
    m_prior = NavButton(this, "nbPrior", Qt::LeftArrow, false, QStringLiteral("Prior"));
    m_next = NavButton(this, "nbNext", Qt::RightArrow, false, QStringLiteral("Next"));
    m_last = NavButton(this, "nbLast", Qt::RightArrow, true, QStringLiteral("Last"));
    m_first->setLayoutDirection(Qt::LeftToRight);
    m_last->setLayoutDirection(Qt::RightToLeft);
    for (QToolButton* button : {m_first, m_prior, m_next, m_last})
        layout->addWidget(button);
    layout->addStretch(1);
    connect(m_first, &QToolButton::clicked, this,
            [this] { move([](DataSource* s) { s->table()->first(); }); });
    connect(m_prior, &QToolButton::clicked, this,
            [this] { move([](DataSource* s) { s->table()->prior(); }); });
    connect(m_next, &QToolButton::clicked, this,
            [this] { move([](DataSource* s) { s->table()->next(); }); });
    connect(m_last, &QToolButton::clicked, this,
            [this] { move([](DataSource* s) { s->table()->last(); }); });
    updateButtons();
}

void DbNavigator::setDataSource(DataSource* source)
{
    disconnect(m_reset);
    disconnect(m_moved);
    m_source = source;
    if (m_source) {
        m_reset = connect(m_source, &DataSource::rowsReset, this, &DbNavigator::updateButtons);
        m_moved =
            connect(m_source, &DataSource::currentRowChanged, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::updateButtons()
{
    const bool active = m_source && m_source->isActive() && m_source->table()->recordCount() > 0;
    const int recNo = active ? m_source->table()->recNo() : 0;
    const int count = active ? m_source->table()->recordCount() : 0;
    m_first->setEnabled(active && recNo > 1);
    m_prior->setEnabled(active && recNo > 1);
    m_next->setEnabled(active && recNo < count);
    m_last->setEnabled(active && recNo < count);
}

void DbNavigator::move(void (*step)(DataSource*))
{
    if (!m_source || !m_source->isActive())
        return;
    DataSource* source = m_source;
    auto action = [source, step] { step(source); };
    if (m_guard)
        m_guard->run(action);
    else
        action();
}

DataSource* DbNavigator::dataSource() const
{
    return m_source;
}

} // namespace veltra
