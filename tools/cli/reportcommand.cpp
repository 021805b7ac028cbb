#include "reportcommand.h"

#include "args.h"
#include "jsonwriter.h"
#include "decode/textformat.h"
#include "files/filename.h"
#include "files/safefile.h"
#include "files/imagefile.h"
#include "files/spdfile.h"
#include "print/modulereport.h"
#include "print/reportlayout.h"

#ifdef TESSARO_CLI_PDF
#include "reportpdfmodule.h"

#include <dlfcn.h>
#include <unistd.h>
#endif

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tessaro::cli {

namespace {

std::string ItemJson(const PrintItem& item)
{
    std::string line = "{\"x\": " + std::to_string(item.x) + ", \"y\": " + std::to_string(item.y) +
                       ", \"size\": " + std::to_string(item.size) + ", \"bold\": " +
                       (item.bold ? "true" : "false") + ", \"italic\": " + (item.italic ? "true" : "false") +
                       ", \"color\": [" + std::to_string(item.color.r) + ", " + std::to_string(item.color.g) +
                       ", " + std::to_string(item.color.b) + "], \"text\": ";
    AppendJsonString(line, item.text);
    line += "}\n";
    return line;
}

#ifdef TESSARO_CLI_PDF
// The folder of the running executable, with its trailing slash; empty when
// /proc does not tell.
std::string ExecutableFolder()
{
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

// The PDF writer, from the module beside the executable (a build tree) or at
// its installed place relative to the executable. On failure `error` holds
// the loader's reason: that of a module that is there but does not load, else
// that of the last place looked at.
TessaroWriteReportPdfFunction LoadPdfWriter(std::string& error)
{
    const std::string folder = ExecutableFolder();
    const std::string candidates[] = {
        folder + kReportPdfModuleFile,
        folder + TESSARO_CLI_PDF_MODULE_DIR + "/" + kReportPdfModuleFile,
    };
    for (const std::string& candidate : candidates) {
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            const char* reason = dlerror();
            error = reason != nullptr ? reason : candidate + ": cannot be loaded";
            if (access(candidate.c_str(), F_OK) == 0)
                return nullptr;
            continue;
        }
        // The module stays loaded: the GUI library it maps is in use until the end.
        void* entry = dlsym(module, kReportPdfEntryPoint);
        if (entry == nullptr) {
            const char* reason = dlerror();
            error = reason != nullptr ? reason : candidate + ": no PDF writer in it";
            return nullptr;
        }
        return reinterpret_cast<TessaroWriteReportPdfFunction>(entry);
    }
    return nullptr;
}

int WritePdf(const std::string& out, const std::vector<PrintItem>& items, int argc, char** argv)
{
    std::string loadError;
    const TessaroWriteReportPdfFunction write = LoadPdfWriter(loadError);
    if (write == nullptr) {
        PrintError("cannot write a PDF: " + loadError);
        return kExitFailed;
    }
    std::vector<TessaroPdfItem> page;
    page.reserve(items.size());
    for (const PrintItem& item : items)
        page.push_back({item.x, item.y, item.size, item.bold ? 1 : 0, item.italic ? 1 : 0, item.color.r,
                        item.color.g, item.color.b, item.text.data(), item.text.size()});
    char error[8192] = {};
    if (write(out.c_str(), page.data(), page.size(), argc, argv, error, sizeof error) != 0) {
        PrintError(error);
        return kExitFailed;
    }
    return kExitOk;
}
#endif

}  // namespace

int RunReportCommand(Args& args, int argc, char** argv)
{
    args.parse({"--items"}, {"--pdf"});
    if (args.operands().size() != 1)
        throw UsageError{"report needs exactly one FILE"};
    const std::string file = args.operands().front();
    const std::optional<std::string> pdf = args.value("--pdf");
    if (pdf && pdf->empty())
        throw UsageError{"--pdf needs a file name"};
#ifndef TESSARO_CLI_PDF
    if (pdf)
        throw UsageError{"this build has no PDF output"};
#endif

    const QString path = FileNameFromBytes(file);
    std::vector<PrintItem> items;
    // A 512- or 1024-byte image (a truncated one included) gets the module
    // page; every other file is read and laid out as a 256-byte document.
    const ImageRead read = ReadImageFile(file, InputFormatForFileName(file));
    if (read.ok() && read.image.size > kSpdSize) {
        PrintReadWarnings(file, read.image);
        items = LayoutModuleReport(read.image.bytes, file);
    } else {
        ReportSource source;
        QString message;
        if (!ReadSpdFile(path, source.image, &message)) {
            PrintError(FileNameString(message));
            return kExitFailed;
        }
        // The caption of a document opened from FILE: its full path.
        source.caption = file;
        source.webAddress = MakerWebAddress();
        items = LayoutReport(source);
    }
    if (pdf && IsSameFile(path, FileNameFromBytes(*pdf))) {
        PrintError("cannot write \"" + *pdf + "\": it is the SPD file the report is made from");
        return kExitFailed;
    }
    // The PDF module keeps no list of protected files of its own: checked here.
    if (QString message; pdf && !CheckOutputFile(FileNameFromBytes(*pdf), &message)) {
        PrintError(FileNameString(message));
        return kExitFailed;
    }

    std::string out;
    if (args.has("--items")) {
        for (const PrintItem& item : items)
            out += ItemJson(item);
    } else if (!pdf) {
        // Neither option: the texts of the page, one a line, in print order.
        for (const PrintItem& item : items)
            out += TerminalText(item.text) + "\n";
    }
    Print(stdout, out);
#ifdef TESSARO_CLI_PDF
    if (pdf)
        return WritePdf(*pdf, items, argc, argv);
#endif
    (void)argc;
    (void)argv;
    return kExitOk;
}

}  // namespace tessaro::cli
