// The about box.
#pragma once

#include <QDialog>

namespace veltra {

/// A fixed-size dialog, centred on the screen, shown modally on demand.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace veltra
