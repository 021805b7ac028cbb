#pragma once

#include "print/reportlayout.h"

#include <QPrinter>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class QPagedPaintDevice;
class QWidget;

namespace tessaro {

// The printer service: a dialog to choose the printer, then the page device.
class ReportPrinter
{
public:
    virtual ~ReportPrinter() = default;
    // The print dialog; false when the operator cancelled it.
    virtual bool choose(QWidget* parent) = 0;
    [[nodiscard]] virtual QPagedPaintDevice& device() = 0;
};

// The system's printers through the standard print dialog, titled "Print",
// without a page range.
class SystemReportPrinter final : public ReportPrinter
{
public:
    SystemReportPrinter();
    bool choose(QWidget* parent) override;
    [[nodiscard]] QPagedPaintDevice& device() override { return m_printer; }
    [[nodiscard]] QPrinter& printer() { return m_printer; }

private:
    QPrinter m_printer;
};

enum class PrintOutcome {
    NoDocument,  // nothing happened
    Cancelled,   // the dialog was cancelled; nothing printed
    Printed,
    Failed,      // the printer could not be used; the page was dropped
};

// The print command: with a document, shows the print dialog, lays out the
// report of the layout that byte 2 selects and sends the page. Printer errors
// are passed over without a message.
PrintOutcome PrintReport(QWidget* parent, const ReportSource* document, ReportPrinter& printer);

// The same command for a 512- or 1024-byte document: the same dialog and
// printer, the page of LayoutModuleReport for its bytes and caption.
PrintOutcome PrintModuleReport(QWidget* parent, std::span<const std::uint8_t> bytes, const std::string& caption,
                               ReportPrinter& printer);

}  // namespace tessaro
