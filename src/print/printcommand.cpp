#include "print/printcommand.h"

#include "print/modulereport.h"
#include "print/reportrender.h"

#include <QPrintDialog>

namespace tessaro {

SystemReportPrinter::SystemReportPrinter()
    : m_printer(QPrinter::HighResolution)
{
}

bool SystemReportPrinter::choose(QWidget* parent)
{
    QPrintDialog dialog(&m_printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
    return dialog.exec() == QDialog::Accepted;
}

PrintOutcome PrintReport(QWidget* parent, const ReportSource* document, ReportPrinter& printer)
{
    if (document == nullptr)
        return PrintOutcome::NoDocument;
    if (!printer.choose(parent))
        return PrintOutcome::Cancelled;
    // The layout fills the report tables afresh before it prints.
    const std::vector<PrintItem> items = LayoutReport(*document);
    return PrintReportOn(printer.device(), items) ? PrintOutcome::Printed : PrintOutcome::Failed;
}

PrintOutcome PrintModuleReport(QWidget* parent, std::span<const std::uint8_t> bytes, const std::string& caption,
                               ReportPrinter& printer)
{
    if (!printer.choose(parent))
        return PrintOutcome::Cancelled;
    const std::vector<PrintItem> items = LayoutModuleReport(bytes, caption);
    return PrintReportOn(printer.device(), items) ? PrintOutcome::Printed : PrintOutcome::Failed;
}

}  // namespace tessaro
