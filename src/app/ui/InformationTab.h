// The "Information" tab: the Info text of the current parameter row and, below it, the
// restriction panel with its "Restrictions" and "Update status" pages.
#pragma once

#include "app/ui/ViewerPart.h"

class QPlainTextEdit;
class QToolButton;

namespace veltra {

class ButtonTabBar;
class DbRichText;

class InformationTab : public ViewerPart
{
    Q_OBJECT
public:
    InformationTab(ViewerState& state, QWidget* parent);

    /// After a row change: the panel shows the row's restrictions when additional info is
    /// to be shown and the row has any, else it is hidden.
    void ShowRestrictions(bool additionalInfo);
    /// The "Show Additional Info" option: shows the row's restrictions or hides the panel.
    void SetAdditionalInfoShown(bool shown);
    /// A click on the status bar: hides a shown panel, else shows the restrictions with a
    /// blank line after their header.
    void ToggleRestrictionPanel();
    /// Keeps the panel's close button at the right end of its tab row, which follows the
    /// window's width.
    void PlaceCloseButton();
    /// Copies the whole Info page to the clipboard (every form the view offers).
    void CopyInfoPage();
    /// Replaces the Info page by the clipboard; a read-only view refuses it.
    void PasteInfoPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowRestrictionPanel(const QStringList& lines);
    void TbCntMouseDown(int tab);
    QString UpdateStatusText() const;

    DbRichText* dbmInfo = nullptr;
    QWidget* pnRestriction = nullptr;
    ButtonTabBar* TbCnt = nullptr;
    QPlainTextEdit* M1 = nullptr;
    QToolButton* sbClose = nullptr;
};

} // namespace veltra
