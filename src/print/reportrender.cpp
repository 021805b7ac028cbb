#include "print/reportrender.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QBuffer>
#include <QPdfWriter>

#include "files/safefile.h"

#include <algorithm>

namespace tessaro {

namespace {

constexpr qreal kTwipsPerInch = 1440.0;
constexpr qreal kTwipsPerPoint = 20.0;

// The page's positions suit the widths of the usual printer face, a Times
// design: "Manufacturer's Specific Data" ends just before the run of bytes
// 99-127 at x 4220. Wider faces would run into the values. Fonts are sized in
// twips, since the painter draws in twips.
QFont ItemFont(const PrintItem& item)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman"),
                      QStringLiteral("Tinos"), QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(std::max(1, qRound(item.size * kTwipsPerPoint)));
    font.setBold(item.bold);
    font.setItalic(item.italic);
    return font;
}

// What the page shows of a text: control characters (a part number may hold
// zero bytes) take the room of a space.
QString Shown(const std::string& text)
{
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            c = QLatin1Char(' ');
    }
    return shown;
}

QPageLayout A4Layout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(6.35, 6.35, 6.35, 6.35),
                       QPageLayout::Millimeter);
}

}  // namespace

qreal ReportFitScale(const std::vector<PrintItem>& items, QSizeF printableTwips)
{
    qreal right = 0;
    qreal bottom = 0;
    for (const PrintItem& item : items) {
        const QString text = Shown(item.text);
        qsizetype inked = text.size();
        while (inked > 0 && text[inked - 1].isSpace())
            --inked;
        const QFontMetricsF metrics(ItemFont(item));
        right = std::max(right, item.x + metrics.horizontalAdvance(text.left(inked)));
        bottom = std::max(bottom, item.y + metrics.height());
    }
    qreal scale = 1.0;
    if (right > printableTwips.width() && right > 0)
        scale = std::min(scale, printableTwips.width() / right);
    if (bottom > printableTwips.height() && bottom > 0)
        scale = std::min(scale, printableTwips.height() / bottom);
    return scale;
}

void RenderReport(QPainter& painter, const std::vector<PrintItem>& items, QSizeF printableTwips, qreal dpiX,
                  qreal dpiY)
{
    if (!painter.isActive())
        return;
    const qreal fit = ReportFitScale(items, printableTwips);
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(dpiX / kTwipsPerInch * fit, dpiY / kTwipsPerInch * fit);
    for (const PrintItem& item : items) {
        const QFont font = ItemFont(item);
        painter.setFont(font);
        painter.setPen(QColor(item.color.r, item.color.g, item.color.b));
        const QFontMetricsF metrics(font);
        painter.drawText(QPointF(item.x, item.y + metrics.ascent()), Shown(item.text));
    }
    painter.restore();
}

bool PrintReportOn(QPagedPaintDevice& device, const std::vector<PrintItem>& items)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const qreal dpiX = device.logicalDpiX();
    const qreal dpiY = device.logicalDpiY();
    const QSizeF printable(device.width() * kTwipsPerInch / dpiX, device.height() * kTwipsPerInch / dpiY);
    RenderReport(painter, items, printable, dpiX, dpiY);
    return painter.end();
}

bool WriteReportPdf(const QString& path, const std::vector<PrintItem>& items, QString* error)
{
    // Refused before any work when the name is a device, a FIFO or a folder.
    if (!CheckOutputFile(path, error))
        return false;
    // The page is made in memory and then written through the one checked,
    // atomic write: a failed write leaves an old file as it was.
    QByteArray pdf;
    bool painted = false;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(A4Layout());
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("TESSARO"));
        writer.setTitle(QStringLiteral("SPD report"));
        painted = PrintReportOn(writer, items);
    }
    if (!painted) {
        if (error)
            *error = QStringLiteral("cannot write \"%1\": the page could not be drawn").arg(path);
        return false;
    }
    return WriteFileAtomically(path, pdf, error);
}

}  // namespace tessaro
