#include "documentwindow/gridlegend.h"

#include "documentwindow/markcolours.h"

#include <QGridLayout>
#include <QLabel>

namespace tessaro {

namespace {

struct Entry {
    QColor background;  // invalid: the button face
    QColor text;        // invalid: the button text
    const char* caption;
};

QLabel* Swatch(const Entry& entry, QWidget* parent)
{
    auto* swatch = new QLabel(QStringLiteral("3F"), parent);
    swatch->setAlignment(Qt::AlignCenter);
    swatch->setFixedSize(26, 17);
    swatch->setFrameShape(QFrame::Box);
    QPalette colours = swatch->palette();
    colours.setColor(QPalette::Window, entry.background.isValid() ? entry.background : colours.color(QPalette::Button));
    colours.setColor(QPalette::WindowText, entry.text.isValid() ? entry.text : colours.color(QPalette::ButtonText));
    swatch->setPalette(colours);
    swatch->setAutoFillBackground(true);
    return swatch;
}

}  // namespace

GridLegend::GridLegend(Kind kind, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("gridLegend"));
    QList<Entry> entries = {
        {kSelectedColour, {}, "選取的位元組"},
        {kRangeColour, {}, "選取範圍 (Shift)"},
        {kEditedColour, {}, "已修改"},
    };
    if (kind == Kind::SpdWindow) {
        entries.insert(1, {kSelectedColour, {}, "填入起點 (列標題)"});
        entries.append({kGeneratedColour, {}, "精靈產生"});
        entries.append({kProgrammerDiffersColour, {}, "與燒錄器不同"});
        entries.append({{}, kSelectedColour, "需密碼 (紅字)"});
    }
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(4);
    layout->setVerticalSpacing(2);
    constexpr int kPerRow = 4;
    for (int i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        auto* caption = new QLabel(QString::fromUtf8(entry.caption), this);
        QFont small = caption->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        caption->setFont(small);
        const int row = i / kPerRow;
        const int column = (i % kPerRow) * 2;
        layout->addWidget(Swatch(entry, this), row, column);
        layout->addWidget(caption, row, column + 1);
    }
    layout->setColumnStretch(kPerRow * 2, 1);
}

}  // namespace tessaro
