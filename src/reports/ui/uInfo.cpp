#include "reports/ui/uInfo.h"

#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace veltra {

namespace {

constexpr int BoxWidth = 368;
constexpr int BoxHeight = 217;
// Labels reach at most this far to the right: the box less its margin.
constexpr int RightEdge = BoxWidth - 8;

QLabel* PlacedLabel(const char* name, const QString& text, int left, int top, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

/// Gives the label the dialog's font, made smaller where this system's font is wider
/// than the designed one, so that the text fits on one line before the right margin.
void FitOnOneLine(QLabel* label)
{
    QFont fitted = label->parentWidget()->font();
    const int room = RightEdge - label->x();
    while (fitted.pointSize() > 6 && QFontMetrics(fitted).horizontalAdvance(label->text()) > room)
        fitted.setPointSize(fitted.pointSize() - 1);
    label->setFont(fitted);
    label->adjustSize();
    label->resize(qMin(label->width(), room), label->height());
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    // A dialog frame: title and close button, no resizing, no minimize or maximize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    setFixedSize(BoxWidth, BoxHeight);

    // A box frame drawn sunken is the etched edge of a lowered outer and a raised inner
    // bevel.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setMidLineWidth(0);
    Panel1->setGeometry(0, 0, BoxWidth, BoxHeight);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 137, 113);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/reports/aboutbox.jpg")));

    ProductName = new QLabel(QStringLiteral("Veltra"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(32);
    nameFont.setBold(true);
    ProductName->setFont(nameFont);
    ProductName->move(208, 48);
    ProductName->adjustSize();

    // Word-wrapped in the design, where the text fits one line; it is kept to one line
    // here too, so that it does not run into the mode line below.
    Comments = PlacedLabel("Comments", QStringLiteral("Beta Version (internal project version)"),
                           176, 88, Panel1);
    FitOnOneLine(Comments);
    Comments->setWordWrap(true);

    ModeLabel = PlacedLabel("ModeLabel", QStringLiteral("Mode:"), 176, 104, Panel1);
    Version = PlacedLabel("Version", QStringLiteral("Version"), 8, 128, Panel1);
    Credit1 = PlacedLabel("Credit1", QStringLiteral("Veltra development team"), 8, 144, Panel1);
    Credit2 = PlacedLabel("Credit2", QStringLiteral("Reference values for exposure assessment"), 8,
                          176, Panel1);
    Credit3 = PlacedLabel("Credit3", QStringLiteral("veltra@example.org"), 8, 192, Panel1);

    // On the dialog, above the panel's lower right corner.
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(296, 180, 58, 25);
    OKButton->setDefault(true);
    OKButton->raise();
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::OKButtonClick()
{
    done(QDialog::Accepted);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    // The texts set for this showing decide the label sizes.
    for (QLabel* label : {ModeLabel, Version})
        FitOnOneLine(label);
    if (QScreen* shown = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(shown->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

} // namespace veltra
