// The wait notice shown while the search index is generated.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace veltra {

/// A fixed-size notice with a dialog frame and no controls: the program's picture, its
/// name and what it is doing. Created at start, shown on demand.
class TfWhatsOn : public QDialog
{
    Q_OBJECT
public:
    explicit TfWhatsOn(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Remark = nullptr;
    QLabel* Label1 = nullptr;
    /// A busy indicator along the bottom edge: it moves while the work runs.
    QProgressBar* Progress = nullptr;
};

} // namespace veltra
