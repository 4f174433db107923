// The wait notice shown while a long operation runs.
#pragma once

#include <QDialog>

namespace veltra {

/// A fixed-size notice with a dialog frame; created at start, shown on demand.
class TfWhatsOn : public QDialog
{
    Q_OBJECT
public:
    explicit TfWhatsOn(QWidget* parent = nullptr);
};

} // namespace veltra
