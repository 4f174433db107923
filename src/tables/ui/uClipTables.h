// The clipboard table window: the buffer in which a table on the clipboard is turned
// into TAB-separated cells for a spreadsheet. It stays hidden unless that fails.
#pragma once

#include "tables/TableExport.h"

#include <QDialog>

class QPlainTextEdit;

namespace veltra {

/// Caption "Formating". Created at start and kept for the whole run; shown modally only
/// to let the user look at a conversion that failed.
class TfClipTab : public QDialog
{
    Q_OBJECT
public:
    explicit TfClipTab(QWidget* parent = nullptr);

    /// Converts the text on the clipboard in place: the clipboard's text goes into the
    /// buffer, its lines are cut into cells by the table's layout (SpreadsheetLines) and
    /// the result is put on the clipboard. Throws VeltraError when the clipboard does not
    /// hold what was put on it; the buffer then shows the text as far as the conversion
    /// got.
    void ConvertClipboardToTabs(const TableTextLayout& layout);

    QPlainTextEdit* oleX = nullptr;
};

} // namespace veltra
