#include "widgets/DbMemo.h"

#include "util/TextLines.h"
#include "widgets/FieldLink.h"

namespace veltra {

DbMemo::DbMemo(QWidget* parent)
    : QPlainTextEdit(parent), m_link(new FieldLink([this] { refresh(); }, this))
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void DbMemo::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

void DbMemo::setField(const QString& field)
{
    m_link->setField(field);
}

QString DbMemo::field() const
{
    return m_link->field();
}

QStringList DbMemo::lines() const
{
    return ViewLines(toPlainText());
}

void DbMemo::refresh()
{
    setPlainText(TextLines(m_link->text()).join(QLatin1Char('\n')));
}

} // namespace veltra
