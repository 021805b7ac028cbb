#include "pinmapui/pinmappanel.h"

#include "files/qttext.h"
#include "pinmapui/pinmapart.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include <functional>

namespace tessaro {

namespace {

constexpr int kViewMargin = 4;

// A widget whose children are placed by their owner, not by a layout.
class Stage : public QWidget
{
public:
    using QWidget::QWidget;
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (onResize)
            onResize();
    }
};

}  // namespace

PinMapView::PinMapView(PinMapPicture picture, QWidget* parent)
    : QWidget(parent)
    , m_picture(picture)
{
    setObjectName(QString::fromLatin1(PictureObjectName(picture)));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PinMapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    PaintPinMap(painter, QRectF(rect()).adjusted(kViewMargin, kViewMargin, -kViewMargin, -kViewMargin), m_picture);
}

PinMapPanel::PinMapPanel(bool icPanel, QWidget* parent)
    : QGroupBox(ToQString(icPanel ? "IC 腳位圖" : "模組腳位圖"), parent)
    , m_ic(icPanel)
{
    setObjectName(QString::fromLatin1(icPanel ? "icPinMapPanel" : "modulePinMapPanel"));
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_list = new QComboBox(this);
    m_list->setObjectName(QString::fromLatin1(icPanel ? "icPinMapList" : "modulePinMapList"));
    // The commands write texts that are not list entries, so the text is
    // free; the operator still only chooses from the list.
    m_list->setEditable(true);
    m_list->lineEdit()->setReadOnly(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    m_list->setMinimumContentsLength(22);
    if (icPanel) {
        for (const PinMapListEntry& entry : IcPinMapList())
            m_list->addItem(ToQString(entry.text));
    } else {
        for (const PinMapListEntry& entry : ModulePinMapList())
            m_list->addItem(ToQString(entry.text));
    }
    connect(m_list, &QComboBox::activated, this, &PinMapPanel::entryChosen);
    top->addWidget(m_list);
    top->addStretch(1);
    m_close = new QPushButton(ToQString(icPanel ? "關       閉" : "關           閉"), this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QPushButton::clicked, this, &PinMapPanel::closeClicked);
    top->addWidget(m_close);
    layout->addLayout(top);

    // The pictures fill the panel and grow with it; a panel smaller than a
    // picture's own size scrolls instead of shrinking the text below 9 px.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("pictureArea"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setBackgroundRole(QPalette::Base);
    auto* stage = new Stage(scroll);
    stage->onResize = [this] { placeViews(); };
    m_stage = stage;
    scroll->setWidget(m_stage);
    layout->addWidget(scroll, 1);
    for (int i = 0; i < kPinMapPictureCount; ++i) {
        const auto picture = static_cast<PinMapPicture>(i);
        if (IsIcPicture(picture) != icPanel)
            continue;
        auto* view = new PinMapView(picture, m_stage);
        view->hide();
        m_views.push_back(view);
    }
    apply(PinMapPanels{});
}

PinMapView* PinMapPanel::view(PinMapPicture picture) const
{
    for (PinMapView* view : m_views) {
        if (view->picture() == picture)
            return view;
    }
    return nullptr;
}

void PinMapPanel::apply(const PinMapPanels& state)
{
    const std::string& text = m_ic ? state.icListText() : state.moduleListText();
    if (m_list->currentText() != ToQString(text.c_str()))
        m_list->setEditText(ToQString(text.c_str()));
    for (PinMapView* view : m_views)
        view->setVisible(state.isShown(view->picture()));
    // Of several visible pictures the one shown last lies on top, and the
    // scroll area keeps room for its own size.
    const int top = state.topPicture(m_ic);
    PinMapView* shownLast = top < 0 ? nullptr : view(static_cast<PinMapPicture>(top));
    if (shownLast != nullptr)
        shownLast->raise();
    const QSizeF natural = shownLast == nullptr ? QSizeF() : PinMapNaturalSize(shownLast->picture());
    m_stage->setMinimumSize(natural.toSize() + QSize(2 * kViewMargin, 2 * kViewMargin));
}

void PinMapPanel::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    placeViews();
}

void PinMapPanel::placeViews()
{
    for (PinMapView* view : m_views)
        view->setGeometry(m_stage->rect());
}

}  // namespace tessaro
