// Small makers of the controls the windows' forms are built from, each named for tests and
// style sheets like every other control.
#pragma once

#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace veltra {

/// A caption in the bold form of the parent's font.
QLabel* BoldLabel(const QString& text, QWidget* parent);
/// A fixed-pitch text view without line wrap, read-only unless told otherwise.
QPlainTextEdit* FixedMemo(const char* name, QWidget* parent, bool readOnly = true);
QPushButton* Button(const char* name, const QString& text, QWidget* parent);
QSpinBox* SpinEdit(const char* name, int min, int max, int value, QWidget* parent);
/// Puts the lines of a table view on the clipboard, joined by CR LF.
void CopyViewToClipboard(const QPlainTextEdit& view);

} // namespace veltra
