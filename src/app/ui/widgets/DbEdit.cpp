#include "app/ui/widgets/DbEdit.h"

#include "app/ui/widgets/FieldLink.h"

namespace veltra {

DbEdit::DbEdit(QWidget* parent)
    : QLineEdit(parent), m_link(new FieldLink([this] { refresh(); }, this))
{
    setReadOnly(true);
}

void DbEdit::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

void DbEdit::setField(const QString& field)
{
    m_link->setField(field);
}

QString DbEdit::field() const
{
    return m_link->field();
}

void DbEdit::refresh()
{
    setText(m_link->displayText());
    setCursorPosition(0);
}

} // namespace veltra
