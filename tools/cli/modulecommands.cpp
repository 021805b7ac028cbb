#include "modulecommands.h"

#include "decodeoutput.h"
#include "jsonwriter.h"
#include "decode/modulesummary.h"
#include "decode/textformat.h"
#include "document/imagefacts.h"
#include "files/bytecompare.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "files/installedmodules.h"
#include "files/safefile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <filesystem>
#include <optional>

namespace tessaro::cli {

namespace {

void AppendByteValue(std::string& out, const std::optional<std::uint8_t>& value)
{
    out += value ? std::to_string(*value) : "null";
}

void AppendOptionalText(std::string& out, const std::optional<std::string>& text)
{
    if (text)
        AppendJsonString(out, *text);
    else
        out += "null";
}

}  // namespace

int RunCompareCommand(Args& args)
{
    args.parse({"--json"}, {"--input-format"});
    if (args.operands().size() != 2)
        throw UsageError{"compare needs two files, A and B"};
    std::optional<InputFormat> format;
    if (const auto name = args.value("--input-format")) {
        format = InputFormatFromName(*name);
        if (!format)
            throw UsageError{"invalid --input-format \"" + *name + "\" (auto, binary, text or dump)"};
    }
    ImageRead reads[2];
    for (int i = 0; i < 2; ++i) {
        const std::string& file = args.operands()[static_cast<std::size_t>(i)];
        reads[i] = ReadImageFile(file, format.value_or(InputFormatForFileName(file)));
        if (!reads[i].ok()) {
            PrintError(reads[i].error);
            return kCompareTroubleExit;
        }
        PrintReadWarnings(file, reads[i].image);
    }
    const ImageData& a = reads[0].image;
    const ImageData& b = reads[1].image;
    const ByteComparison bytes = CompareImages(a, b);
    const std::vector<FactDifference> facts =
        bytes.same ? std::vector<FactDifference>{} : CompareFacts(ImageFacts(a.bytes), ImageFacts(b.bytes));

    std::string out;
    if (args.has("--json")) {
        out += "{\"same\":";
        out += bytes.same ? "true" : "false";
        out += ",\"bytes\":[";
        for (std::size_t i = 0; i < bytes.differences.size(); ++i) {
            const ByteDifference& d = bytes.differences[i];
            out += i ? ",[" : "[";
            out += std::to_string(d.offset) + ',';
            AppendByteValue(out, d.a);
            out += ',';
            AppendByteValue(out, d.b);
            out += ']';
        }
        out += "],\"fields\":[";
        for (std::size_t i = 0; i < facts.size(); ++i) {
            out += i ? ",[" : "[";
            AppendJsonString(out, facts[i].name);
            out += ',';
            AppendOptionalText(out, facts[i].a);
            out += ',';
            AppendOptionalText(out, facts[i].b);
            out += ']';
        }
        out += "]}\n";
    } else {
        for (const ByteDifference& d : bytes.differences)
            out += ByteDifferenceText(d) + '\n';
        for (const FactDifference& f : facts)
            out += TerminalText(f.name) + ": " + TerminalText(f.aText()) + " | " + TerminalText(f.bText()) + '\n';
    }
    Print(stdout, out);
    return bytes.exitCode();
}

int RunInstalledCommand(Args& args)
{
    args.parse({"--json"}, {"--save", "--sysfs"});
    if (!args.operands().empty())
        throw UsageError{"installed takes no operands (\"" + args.operands().front() + "\")"};
    const std::optional<std::string> saveFolder = args.value("--save");
    if (saveFolder && saveFolder->empty())
        throw UsageError{"--save needs a folder"};
    const std::string root = args.value("--sysfs").value_or("/");
    if (root.empty())
        throw UsageError{"--sysfs needs a folder"};
    if (saveFolder) {
        std::error_code ec;
        const auto status = std::filesystem::status(*saveFolder, ec);
        if (!std::filesystem::exists(status)) {
            PrintError("cannot save into \"" + *saveFolder + "\": no such folder");
            return kExitFailed;
        }
        if (!std::filesystem::is_directory(status)) {
            PrintError("cannot save into \"" + *saveFolder + "\": not a folder");
            return kExitFailed;
        }
    }

    const InstalledModules scan = ScanInstalledModules(root);
    if (!scan.error.empty()) {
        PrintError(scan.error);
        return kExitFailed;
    }
    if (!scan.found()) {
        PrintError(NoInstalledModulesHint(scan));
        return kExitFailed;
    }

    const bool json = args.has("--json");
    bool anyRead = false;
    bool saveFailed = false;
    std::string out;
    for (const InstalledModule& module : scan.modules) {
        const ImageRead& read = module.image;
        if (json) {
            out += "{\"bus\":" + std::to_string(module.bus) + ",\"address\":";
            AppendJsonString(out, module.address);
            out += ",\"driver\":";
            AppendJsonString(out, module.driver);
            out += ',';
            if (read.ok()) {
                AppendDecodeJsonMembers(out, module.path, read.image);
            } else {
                out += "\"file\":";
                AppendJsonString(out, module.path);
                out += ",\"error\":";
                AppendJsonString(out, read.error);
            }
            out += "}\n";
        } else {
            out += module.entry + ' ' + module.driver + ": ";
            out += read.ok() ? TerminalText(SummarizeModule(read.image.bytes).line()) : read.error;
            out += '\n';
        }
        if (!read.ok())
            continue;
        PrintReadWarnings(module.path, read.image);
        anyRead = true;
        if (saveFolder) {
            const std::string path = (std::filesystem::path(*saveFolder) / (module.entry + ".bin")).string();
            const std::string data = ImageBinaryBytes(read.image.bytes);
            QString error;
            if (!WriteFileAtomically(FileNameFromBytes(path), QByteArray(data.data(), static_cast<qsizetype>(data.size())),
                                     &error)) {
                PrintError(FileNameString(error));
                saveFailed = true;
            }
        }
    }
    Print(stdout, out);
    return anyRead && !saveFailed ? kExitOk : kExitFailed;
}

}  // namespace tessaro::cli
