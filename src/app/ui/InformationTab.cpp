#include "app/ui/InformationTab.h"

#include "app/Restrictions.h"
#include "util/PageSetup.h"
#include "util/RtfReader.h"
#include "widgets/ButtonTabBar.h"
#include "widgets/DbRichText.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/ViewFonts.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace veltra {

InformationTab::InformationTab(ViewerState& state, QWidget* parent)
    : ViewerPart(state, "tsInformation", parent)
{
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    box->setSpacing(2);
    dbmInfo = Named(new DbRichText(this), "dbmInfo");
    dbmInfo->setFont(FixedPitchFont());
    // Info texts without tab stops of their own tab to the half inch, as the report does.
    dbmInfo->setTabStopDistance(DefaultTabStopDistance(dbmInfo->logicalDpiX()));
    dbmInfo->setTabChangesFocus(false);
    dbmInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbmInfo->setDataSource(&state.db.parameterLink());
    dbmInfo->setField(QStringLiteral("Info"));
    box->addWidget(dbmInfo, 1);

    pnRestriction = Named(new QWidget(this), "pnRestriction");
    pnRestriction->setFixedHeight(150);
    auto* panelBox = new QVBoxLayout(pnRestriction);
    panelBox->setContentsMargins(0, 0, 0, 0);
    panelBox->setSpacing(0);
    TbCnt = Named(new ButtonTabBar(pnRestriction), "TbCnt");
    TbCnt->addTab(QStringLiteral("Restrictions"));
    TbCnt->addTab(QStringLiteral("Update status"));
    panelBox->addWidget(TbCnt);
    M1 = FixedMemo("M1", pnRestriction);
    M1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette navy = M1->palette();
    navy.setColor(QPalette::Text, QColor(0, 0, 128));
    M1->setPalette(navy);
    panelBox->addWidget(M1, 1);
    sbClose = Named(new QToolButton(pnRestriction), "sbClose");
    sbClose->setFixedSize(17, 17);
    sbClose->setText(QStringLiteral("x"));
    sbClose->setToolTip(QStringLiteral("Close"));
    sbClose->raise();
    pnRestriction->installEventFilter(this);
    box->addWidget(pnRestriction);

    ConnectGuarded(TbCnt, &ButtonTabBar::pressed, this, &InformationTab::TbCntMouseDown);
    ConnectGuarded(sbClose, &QToolButton::clicked, this, [this] { pnRestriction->hide(); });
}

void InformationTab::ShowRestrictions(bool additionalInfo)
{
    M1->clear();
    const QString info = m_state.CurrentInfo();
    if (additionalInfo && !RestrictionText(InfoLines(info)).isEmpty())
        ShowRestrictionPanel(RestrictionDisplayLines(info));
    else
        pnRestriction->hide();
}

void InformationTab::SetAdditionalInfoShown(bool shown)
{
    if (!shown) {
        pnRestriction->hide();
        return;
    }
    ShowRestrictionPanel(RestrictionDisplayLines(m_state.CurrentInfo()));
}

void InformationTab::ToggleRestrictionPanel()
{
    if (!pnRestriction->isHidden()) {
        pnRestriction->hide();
        return;
    }
    ShowRestrictionPanel(
        RestrictionDisplayLines(m_state.CurrentInfo(), RestrictionLayout::BlankAfterHeader));
}

void InformationTab::ShowRestrictionPanel(const QStringList& lines)
{
    TbCnt->setCurrentIndex(0);
    pnRestriction->show();
    M1->setPlainText(lines.join(QLatin1Char('\n')));
}

void InformationTab::TbCntMouseDown(int tab)
{
    M1->clear();
    if (tab == 0) {
        TbCnt->setCurrentIndex(0);
        M1->setPlainText(RestrictionDisplayLines(m_state.CurrentInfo()).join(QLatin1Char('\n')));
    } else if (tab == 1) {
        M1->setPlainText(UpdateStatusText());
    } else {
        M1->setPlainText(QString(NothingSelectedText));
    }
}

QString InformationTab::UpdateStatusText() const
{
    auto field = [this](const char* name) {
        return ReferenceDatabase::CurrentText(m_state.db.parameters(), QLatin1String(name));
    };
    return UpdateStatusLines(ReferenceDatabase::ParameterFile, field("DataFile"), field("FileType"),
                             field("Change"))
        .join(QLatin1Char('\n'));
}

void InformationTab::CopyInfoPage()
{
    // The view's own copy puts every form it offers on the clipboard (plain text and
    // formatted text); the selection stays, so the user sees what was copied.
    dbmInfo->selectAll();
    dbmInfo->copy();
}

void InformationTab::PasteInfoPage()
{
    // A read-only view refuses the paste itself, so nothing changes while it is.
    dbmInfo->selectAll();
    dbmInfo->paste();
}

bool InformationTab::eventFilter(QObject* watched, QEvent* event)
{
    // The panel gets its final width after the window's resize event.
    if (watched == pnRestriction && event->type() == QEvent::Resize)
        PlaceCloseButton();
    return ViewerPart::eventFilter(watched, event);
}

void InformationTab::PlaceCloseButton()
{
    // Window width less 35, at the right end of the tab row of the restriction panel.
    const QWidget* frame = window();
    const int left = pnRestriction->mapFrom(frame, QPoint(frame->width() - 35, 0)).x();
    sbClose->move(qBound(0, left, qMax(0, pnRestriction->width() - sbClose->width())), 1);
}

} // namespace veltra
