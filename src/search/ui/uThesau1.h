// The keyword search window.
#pragma once

#include <QWidget>

namespace veltra {

/// Title bar with system menu and close button only. Created at start and kept for the
/// whole run; opened, not modally, on demand.
class TfSearchIndex : public QWidget
{
    Q_OBJECT
public:
    explicit TfSearchIndex(QWidget* parent = nullptr);
};

} // namespace veltra
