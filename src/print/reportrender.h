#pragma once

#include "print/reportlayout.h"

#include <QSizeF>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace tessaro {

// Draws the report's items on an active painter whose origin is the top left
// of the printable page and whose device has `printableTwips` of room. The
// page is drawn at its own scale (1440 twips an inch) unless some text would
// run past the printable width or height; then the whole page is reduced
// evenly until it fits.
void RenderReport(QPainter& painter, const std::vector<PrintItem>& items, QSizeF printableTwips, qreal dpiX,
                  qreal dpiY);

// The scale RenderReport uses: 1, or less when the page has to shrink to fit.
[[nodiscard]] qreal ReportFitScale(const std::vector<PrintItem>& items, QSizeF printableTwips);

// Prints the items as one page on a printer or PDF writer; false when the
// device cannot be painted on.
bool PrintReportOn(QPagedPaintDevice& device, const std::vector<PrintItem>& items);

// The report as a one-page A4 PDF file with quarter-inch margins.
bool WriteReportPdf(const QString& path, const std::vector<PrintItem>& items, QString* error = nullptr);

}  // namespace tessaro
