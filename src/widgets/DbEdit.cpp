#include "widgets/DbEdit.h"

#include "data/DataSource.h"
#include "data/DataTable.h"
#include "widgets/ErrorGuard.h"
#include "widgets/FieldLink.h"

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

void DbEdit::setWritable(bool writable, const ErrorGuard* guard)
{
    m_guard = guard;
    setReadOnly(!writable);
    disconnect(this, &QLineEdit::textEdited, this, nullptr);
    if (writable)
        connect(this, &QLineEdit::textEdited, this, &DbEdit::write);
}

void DbEdit::write(const QString& text)
{
    if (!m_guard || !m_link->isBound())
        return;
    DataTable* table = m_link->dataSource()->table();
    m_writing = true;
    const bool written = m_guard->run([&] {
        table->edit();
        table->setFieldText(m_link->field(), text);
        table->post();
    });
    m_writing = false;
    if (!written) {
        if (table->isEditing())
            table->cancel();
        refresh();
    }
}

void DbEdit::refresh()
{
    if (m_writing)
        return;
    setText(m_link->displayText());
    setCursorPosition(0);
}

} // namespace veltra
