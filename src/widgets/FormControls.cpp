#include "widgets/FormControls.h"

#include "tables/TableExport.h"
#include "util/TextLines.h"
#include "widgets/ViewFonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

namespace veltra {

QLabel* BoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(BoldFont(parent->font()));
    return label;
}

QPlainTextEdit* FixedMemo(const char* name, QWidget* parent, bool readOnly)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(FixedPitchFont());
    return memo;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

QSpinBox* SpinEdit(const char* name, int min, int max, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(min, max);
    spin->setValue(value);
    return spin;
}

void CopyViewToClipboard(const QPlainTextEdit& view)
{
    QGuiApplication::clipboard()->setText(ClipboardText(ViewLines(view.toPlainText())));
}

} // namespace veltra
