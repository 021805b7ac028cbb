#pragma once

// The boundary between tessaro-cli and the module that writes the report as
// a PDF. The module carries the drawing code and with it Qt's GUI library, so
// the command line maps those only when a PDF is asked for. Only C types
// cross the boundary.

#include <stddef.h>

extern "C" {

// One text of the page: the fields of a print item, the text as UTF-8 bytes
// with their count (a part number may hold a NUL).
struct TessaroPdfItem {
    int x;
    int y;
    int size;
    int bold;
    int italic;
    unsigned char red;
    unsigned char green;
    unsigned char blue;
    const char* text;
    size_t textLength;
};

// Writes the items as a one-page PDF at `path` (a local 8-bit file name),
// checked and atomically. argc/argv go to the GUI application the fonts need.
// Returns 0 when the file is written; otherwise 1, with the reason as UTF-8
// in `error` (cut to `errorSize` bytes, always terminated).
typedef int (*TessaroWriteReportPdfFunction)(const char* path, const struct TessaroPdfItem* items, size_t count,
                                             int argc, char** argv, char* error, size_t errorSize);
}

namespace tessaro::cli {

inline constexpr char kReportPdfModuleFile[] = "libtessaro-report-pdf.so";
inline constexpr char kReportPdfEntryPoint[] = "tessaro_write_report_pdf";

}  // namespace tessaro::cli
