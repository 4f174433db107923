#include "app/widgets/DbRichText.h"

#include "app/widgets/FieldLink.h"
#include "util/RtfReader.h"

namespace veltra {

DbRichText::DbRichText(QWidget* parent)
    : QTextEdit(parent), m_link(new FieldLink([this] { refresh(); }, this))
{
    setReadOnly(true);
    setLineWrapMode(QTextEdit::NoWrap);
    setAcceptRichText(true);
}

void DbRichText::setDataSource(DataSource* source)
{
    m_link->setDataSource(source);
}

void DbRichText::setField(const QString& field)
{
    m_link->setField(field);
}

QString DbRichText::field() const
{
    return m_link->field();
}

QString DbRichText::fieldText() const
{
    return m_link->text();
}

void DbRichText::refresh()
{
    const QFont font = currentFont();
    document()->setDefaultFont(font);
    SetFieldText(document(), m_link->text());
}

} // namespace veltra
