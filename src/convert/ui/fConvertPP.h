// The conversion window: GF lines loaded, pasted or typed into the input area are
// converted into standard distribution parameters, and the tables pile up in the
// output area, from which they are saved or copied.
#pragma once

#include "widgets/Dialogs.h"
#include "widgets/ErrorGuard.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace veltra {

/// A sizeable tool window, created at start and kept for the whole run; closing only
/// hides it. Errors of its handlers (a failing conversion, a file that cannot be read
/// or written) end in the guard's general error message.
class TfConvertPP : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfConvertPP(const ErrorGuard& guard, QWidget* parent = nullptr);

    const ErrorGuard& Guard() const { return m_guard; }

    /// The lines of the input and the output area.
    QStringList InputLines() const;
    QStringList OutputLines() const;

    // --- controls -------------------------------------------------------------------------
    QLabel* Label1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* bClose = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* bTransform = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* bResultCl = nullptr;
    QPushButton* Button4 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;

    FileDialogSettings OpenDialog1;
    FileDialogSettings SaveDialog1;

    // --- handlers -------------------------------------------------------------------------
    void bTransformClick();
    void ransform1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Load1Click();
    void Saveas1Click();
    void bResultClClick();
    void bCloseClick();
    void Quit2Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void SetOutputLines(const QStringList& lines);
    /// Places the two text areas: they take the width of the window, the output area
    /// also the height below its buttons.
    void LayoutAreas();

    const ErrorGuard& m_guard;
    QWidget* m_client = nullptr;
};

} // namespace veltra
