// The about box: the program's picture, name, version and edit mode.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace veltra {

/// A fixed-size dialog, centred on the screen, shown modally on demand. The caller
/// sets the texts of Version and ModeLabel before each showing; the design texts
/// "Version" and "Mode:" stand until then.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Comments = nullptr;
    QLabel* ModeLabel = nullptr;
    QLabel* Version = nullptr;
    QLabel* Credit1 = nullptr;
    QLabel* Credit2 = nullptr;
    QLabel* Credit3 = nullptr;
    QPushButton* OKButton = nullptr;

    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace veltra
