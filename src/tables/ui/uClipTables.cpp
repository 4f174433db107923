#include "tables/ui/uClipTables.h"

#include "tables/TableExport.h"
#include "util/TextLines.h"
#include "util/VeltraError.h"
#include "widgets/ViewFonts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace veltra {

namespace {

/// Puts text on the clipboard and checks that it is there: a clipboard that another
/// program holds, or none at all, must not pass for a finished copy.
void PutOnClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    if (clipboard->text() != text)
        throw VeltraError(QStringLiteral("The clipboard did not take the converted table"));
}

} // namespace

TfClipTab::TfClipTab(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fClipTab"));
    setWindowTitle(QStringLiteral("Formating"));
    resize(520, 360);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    oleX = new QPlainTextEdit(this);
    oleX->setObjectName(QStringLiteral("oleX"));
    oleX->setLineWrapMode(QPlainTextEdit::NoWrap);
    oleX->setTabChangesFocus(false);
    oleX->setFont(FixedPitchFont());
    oleX->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    oleX->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->addWidget(oleX, 1);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(8);
    box->addWidget(panel);
}

void TfClipTab::ConvertClipboardToTabs(const TableTextLayout& layout)
{
    oleX->clear();
    const QStringList pasted = TextLines(QGuiApplication::clipboard()->text());
    oleX->setPlainText(pasted.join(QLatin1Char('\n')));
    const QStringList lines = SpreadsheetLines(pasted, layout);
    oleX->setPlainText(lines.join(QLatin1Char('\n')));
    PutOnClipboard(ClipboardText(lines));
}

} // namespace veltra
