#include "search/ui/uWhatsOn.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

namespace veltra {

namespace {

QFont Bold(const QString& family, int pixelSize, bool narrow = false)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    if (narrow)
        font.setStretch(QFont::SemiCondensed);
    return font;
}

/// A label at its place; where this system's font is wider than the designed one (no
/// narrow face installed), the font shrinks until the text fits inside the notice.
QLabel* PlacedLabel(const char* name, const QString& text, const QFont& font, int left, int top,
                    QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont fitted = font;
    const int room = parent->width() - left - 4;
    while (fitted.pixelSize() > 9 && QFontMetrics(fitted).horizontalAdvance(text) > room)
        fitted.setPixelSize(fitted.pixelSize() - 1);
    label->setFont(fitted);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TfWhatsOn::TfWhatsOn(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fWhatsOn"));
    setWindowTitle(QStringLiteral("   What's going on ..."));
    setFixedSize(381, 154);
    // While shown, the other windows take no input.
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(64, 8, 97, 81);
    Image1->setScaledContents(true);
    // The program's own picture, decoded by Qt's JPEG plugin.
    Image1->setPixmap(QPixmap(QStringLiteral(":/veltra.jpg")));

    ProductName = PlacedLabel("ProductName", QStringLiteral("Veltra"),
                              Bold(QStringLiteral("Arial"), 32), 192, 32, this);
    const QFont narrow = Bold(QStringLiteral("Arial Narrow"), 16, true);
    Remark = PlacedLabel(
        "Remark", QStringLiteral("The program is generating / actualising the Search Index."),
        narrow, 16, 104, this);
    Label1 = PlacedLabel("Label1", QStringLiteral("  Please wait some seconds ....  "), narrow, 72,
                         128, this);
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 0);
    Progress->setTextVisible(false);
    Progress->setGeometry(8, 148, 365, 5);
}

} // namespace veltra
