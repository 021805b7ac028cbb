#include "app/aboutdialog.h"

#include "tessaroversion.h"

#include "app/gradients.h"
#include "app/messages.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QRadialGradient>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <utility>

namespace tessaro {

QString VersionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

}  // namespace tessaro

namespace tessaro::ui {

namespace {

// The maker's emblem: a white "K" on a blue tile, with circuit traces running
// off its arms. Drawn on a 100 x 100 grid scaled to the widget.
class LogoPicture : public QWidget
{
public:
    explicit LogoPicture(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Picture1"));
        setFixedSize(96, 96);
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const int side = qMin(width(), height());
        painter.setViewport((width() - side) / 2, (height() - side) / 2, side, side);
        painter.setWindow(0, 0, 100, 100);

        QPainterPath tile;
        tile.addRoundedRect(QRectF(4, 4, 92, 92), 18, 18);
        const auto blue = TwoColorGradient(QLinearGradient(0, 0, 100, 100), QColor(12, 45, 107), QColor(31, 127, 209));
        painter.setPen(QPen(QColor(8, 31, 74), 1.5));
        painter.setBrush(blue);
        painter.drawPath(tile);

        // A soft gloss over the upper half of the tile.
        painter.save();
        painter.setClipPath(tile);
        const auto gloss = TwoColorGradient(QRadialGradient(QPointF(40, 0), 70),
                                            QColor(255, 255, 255, 70), QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gloss);
        painter.drawEllipse(QRectF(-20, -40, 140, 90));
        painter.restore();

        // Traces with their solder pads.
        const QColor trace(159, 216, 255);
        painter.setPen(QPen(trace, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(QPolygonF({QPointF(64, 50), QPointF(84, 50)}));
        painter.drawPolyline(QPolygonF({QPointF(76, 22), QPointF(84, 30), QPointF(84, 38)}));
        painter.drawPolyline(QPolygonF({QPointF(78, 78), QPointF(86, 70), QPointF(86, 62)}));
        painter.drawPolyline(QPolygonF({QPointF(26, 84), QPointF(18, 84)}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(trace);
        for (const QPointF pad : {QPointF(86, 50), QPointF(84, 39), QPointF(86, 61), QPointF(16, 84)})
            painter.drawEllipse(pad, 3.4, 3.4);
        painter.setBrush(QColor(12, 45, 107));
        painter.drawEllipse(QPointF(64, 50), 2.0, 2.0);

        // The letter: stem, upper arm and lower leg.
        QPainterPath letter;
        letter.addRect(QRectF(24, 20, 13, 62));
        letter.addPolygon(QPolygonF({QPointF(37, 46), QPointF(59, 20), QPointF(76, 20), QPointF(37, 64)}));
        letter.addPolygon(QPolygonF({QPointF(44, 55), QPointF(54, 45), QPointF(78, 82), QPointF(61, 82)}));
        letter.setFillRule(Qt::WindingFill);
        const auto white = TwoColorGradient(QLinearGradient(0, 20, 0, 82), QColor(Qt::white), QColor(214, 232, 252));
        painter.setBrush(white);
        painter.drawPath(letter.simplified());
    }
};

}  // namespace

QString FindSystemInfoViewer()
{
#if defined(Q_OS_WIN)
    QString found = QStandardPaths::findExecutable(QStringLiteral("msinfo32"));
    if (found.isEmpty()) {
        const QString shared = qEnvironmentVariable("CommonProgramFiles") + QStringLiteral("/Microsoft Shared/MSInfo");
        found = QStandardPaths::findExecutable(QStringLiteral("msinfo32"), {shared});
    }
    return found;
#elif defined(Q_OS_MACOS)
    for (const char* path : {"/System/Applications/Utilities/System Information.app/Contents/MacOS/System Information",
                             "/Applications/Utilities/System Information.app/Contents/MacOS/System Information"}) {
        const QFileInfo viewer(QString::fromLatin1(path));
        if (viewer.isExecutable())
            return viewer.filePath();
    }
    return {};
#else
    for (const char* name : {"hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
#endif
}

AboutDialog::AboutDialog(QWidget* parent, ViewerLookup lookup) : QDialog(parent), m_lookup(std::move(lookup))
{
    const QString product = QString::fromUtf8(kProductTitle);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + product);
    setModal(true);

    auto* picture = new LogoPicture(this);

    auto* title = new QLabel(product, this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* ok = new QPushButton(QStringLiteral("關   閉"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* sysInfo = new QPushButton(QStringLiteral("系統資訊"), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAutoDefault(false);
    connect(sysInfo, &QPushButton::clicked, this, &AboutDialog::startSystemInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(18);
    layout->addWidget(picture, 0, 0, Qt::AlignTop);
    layout->addLayout(texts, 0, 1);
    layout->addLayout(buttons, 0, 2);
    layout->setColumnStretch(1, 1);
    setMinimumWidth(380);
}

void AboutDialog::startSystemInfo()
{
    const QString program = m_lookup ? m_lookup() : FindSystemInfoViewer();
    if (program.isEmpty() || !QProcess::startDetached(program, {}))
        ShowMessage(this, QString::fromUtf8(kSystemInfoUnavailable));
}

}  // namespace tessaro::ui
