#include "app/splashwindow.h"

#include "app/aboutdialog.h"
#include "app/gradients.h"
#include "app/messages.h"
#include "tessaroversion.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <utility>

namespace tessaro::ui {

namespace {

// The product artwork: a memory module on a dark blue ground. A click anywhere
// on it (the caption label lets clicks through) calls onClick.
class SplashPicture : public QWidget
{
public:
    SplashPicture(QWidget* parent, std::function<void()> onClick) : QWidget(parent), m_onClick(std::move(onClick))
    {
        setFixedSize(520, 300);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && m_onClick)
            m_onClick();
    }

    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintGround(painter);
        paintModule(painter, QRectF(40, 40, 440, 130));
    }

private:
    void paintGround(QPainter& painter) const
    {
        const auto ground = TwoColorGradient(QLinearGradient(0, 0, 0, height()),
                                             QColor(10, 21, 48), QColor(27, 47, 92));
        painter.fillRect(rect(), ground);

        painter.setPen(QPen(QColor(120, 170, 255, 22), 1));
        for (int x = 10; x < width(); x += 20)
            painter.drawLine(x, 0, x, height());
        for (int y = 10; y < height(); y += 20)
            painter.drawLine(0, y, width(), y);

        const auto glow = TwoColorGradient(QRadialGradient(QPointF(width() / 2.0, 110), 260),
                                           QColor(90, 150, 255, 80), QColor(90, 150, 255, 0));
        painter.fillRect(rect(), glow);
    }

    static void paintChip(QPainter& painter, const QRectF& body, int pinsPerSide)
    {
        // Leads along the two long edges.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(196, 199, 204));
        const double pitch = body.width() / pinsPerSide;
        for (int i = 0; i < pinsPerSide; ++i) {
            const double x = body.left() + pitch * (i + 0.5) - 0.9;
            painter.drawRect(QRectF(x, body.top() - 2.5, 1.8, 2.5));
            painter.drawRect(QRectF(x, body.bottom(), 1.8, 2.5));
        }
        const auto black = TwoColorGradient(QLinearGradient(body.topLeft(), body.bottomLeft()),
                                            QColor(52, 52, 56), QColor(20, 20, 22));
        painter.setBrush(black);
        painter.drawRoundedRect(body, 1.5, 1.5);
        // Pin-1 dimple and the printed marking.
        painter.setBrush(QColor(90, 90, 96));
        painter.drawEllipse(QPointF(body.left() + 4, body.top() + 4), 1.6, 1.6);
        if (body.height() > 20) {
            painter.setBrush(QColor(150, 150, 156, 150));
            painter.drawRect(QRectF(body.left() + 8, body.center().y() - 4, body.width() - 16, 2));
            painter.drawRect(QRectF(body.left() + 12, body.center().y() + 3, body.width() - 24, 2));
        }
    }

    static void paintModule(QPainter& painter, const QRectF& board)
    {
        const double keyX = board.left() + board.width() * 0.56;
        const double fingerTop = board.bottom() - 14;

        QPainterPath pcb;
        pcb.addRoundedRect(board, 5, 5);
        QPainterPath cuts;
        cuts.addEllipse(QPointF(board.left(), board.bottom() - 42), 7, 9);
        cuts.addEllipse(QPointF(board.right(), board.bottom() - 42), 7, 9);
        cuts.addRoundedRect(QRectF(keyX - 5, board.bottom() - 15, 10, 22), 4, 4);
        pcb = pcb.subtracted(cuts);

        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 90));
        painter.drawPath(pcb.translated(6, 8));

        const auto green = TwoColorGradient(QLinearGradient(board.topLeft(), board.bottomLeft()),
                                            QColor(35, 122, 67), QColor(20, 90, 46));
        painter.setPen(QPen(QColor(13, 61, 31), 1.2));
        painter.setBrush(green);
        painter.drawPath(pcb);

        // Copper traces from the edge connector up to the chips.
        painter.save();
        painter.setClipPath(pcb);
        painter.setPen(QPen(QColor(96, 180, 120, 120), 1.0));
        painter.setBrush(Qt::NoBrush);
        for (double x = board.left() + 18; x < board.right() - 18; x += 15) {
            const double bend = std::fmod(x, 30.0) < 15 ? 6 : -6;
            painter.drawPolyline(QPolygonF({QPointF(x, fingerTop), QPointF(x, fingerTop - 8),
                                            QPointF(x + bend, fingerTop - 16), QPointF(x + bend, board.top() + 58)}));
        }
        painter.restore();

        // Gold fingers, with the key notch left free.
        const auto gold = TwoColorGradient(QLinearGradient(0, fingerTop, 0, board.bottom()),
                                           QColor(245, 211, 107), QColor(201, 150, 30));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gold);
        for (double x = board.left() + 12; x + 3.2 < board.right() - 12; x += 5.0) {
            if (std::abs(x + 1.6 - keyX) < 8)
                continue;
            painter.drawRoundedRect(QRectF(x, fingerTop + 1, 3.2, 12.5), 0.8, 0.8);
        }

        // Eight DRAM chips in a row.
        const double chipWidth = 40;
        const double first = board.left() + 22;
        const double step = (board.width() - 44 - chipWidth) / 7;
        for (int i = 0; i < 8; ++i)
            paintChip(painter, QRectF(first + step * i, board.top() + 18, chipWidth, 36), 8);

        // The SPD EEPROM and a row of termination resistors.
        paintChip(painter, QRectF(board.right() - 74, board.bottom() - 40, 18, 11), 4);
        for (int i = 0; i < 9; ++i) {
            const QRectF resistor(board.left() + 150 + i * 22, board.top() + 72, 10, 5);
            painter.setBrush(QColor(196, 199, 204));
            painter.drawRect(resistor);
            painter.setBrush(QColor(40, 38, 36));
            painter.drawRect(resistor.adjusted(2.5, 0, -2.5, 0));
        }

        // A serial-number label with its bar code.
        const QRectF sticker(board.left() + 22, board.top() + 66, 96, 30);
        painter.setBrush(QColor(246, 246, 240));
        painter.drawRoundedRect(sticker, 2, 2);
        painter.setBrush(QColor(25, 25, 25));
        double x = sticker.left() + 6;
        for (int i = 0; x < sticker.right() - 6; ++i) {
            const double bar = (i * 7 % 5 == 0) ? 2.2 : ((i % 3 == 0) ? 1.4 : 0.8);
            painter.drawRect(QRectF(x, sticker.top() + 5, bar, sticker.height() - 10));
            x += bar + ((i * 3 % 4 == 1) ? 2.0 : 1.2);
        }
    }

    std::function<void()> m_onClick;
};

}  // namespace

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setModal(true);
    const QString caption = QString::fromUtf8(kProductTitle) +
                            QStringLiteral("  Ver: %1.%2").arg(tessaro::kVersionMajor).arg(tessaro::kVersionMinor);
    setWindowTitle(caption);

    m_picture = new SplashPicture(this, [this] { accept(); });
    m_picture->setObjectName(QStringLiteral("imgSplash"));

    auto* label = new QLabel(caption, m_picture);
    label->setObjectName(QStringLiteral("lblCaption"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSize(24);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(242, 230, 196));
    label->setPalette(palette);

    auto* pictureLayout = new QVBoxLayout(m_picture);
    pictureLayout->setContentsMargins(0, 0, 0, 22);
    pictureLayout->addStretch();
    pictureLayout->addWidget(label, 0, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(kCloseDelayMs);
    connect(&m_closeTimer, &QTimer::timeout, this, &QDialog::accept);
}

void SplashWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_closeTimer.start();
}

void SplashWindow::done(int result)
{
    m_closeTimer.stop();
    QDialog::done(result);
}

}  // namespace tessaro::ui
