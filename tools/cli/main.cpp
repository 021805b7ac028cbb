// tessaro-cli: the SPD engine for production scripts and batch checks.

#include "core/checks.h"
#include "core/hex.h"
#include "decode/jedec.h"
#include "args.h"
#include "decodeoutput.h"
#include "devicecommand.h"
#include "modulecommands.h"
#include "reportcommand.h"
#include "wizardcommand.h"
#include "document/settle.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "tessaroversion.h"

#include <QString>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace tessaro;
using namespace tessaro::cli;

namespace {

constexpr const char* kUsage =
    "usage: tessaro-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  decode [--json] FILE...                       decode SPD images as a settled document window shows them\n"
    "  fix [--mode auto|checksum|crc] FILE [-o OUT]  recompute the check bytes and write the image back\n"
    "  convert IN OUT [--format text|binary]         write an image in another file format\n"
    "  jedec KEY...                                  look up JEP106 manufacturer keys (\"7F7F9E\")\n"
    "  compare A B [--json] [--input-format auto|binary|text|dump]\n"
    "                                                the differing bytes and decoded facts of two images;\n"
    "                                                exit 0 identical, 1 different, 2 trouble\n"
    "  installed [--json] [--save DIR] [--sysfs ROOT]\n"
    "                                                list the SPD of this machine's memory modules (Linux);\n"
    "                                                --save writes each image as DIR/<bus>-<address>.bin\n"
    "  wizard [OPTIONS] -o OUT                       build the image the SPD wizard builds from its choices:\n"
    "      --type sdr|ddr|ddr2|ddr3 --speed MHZ --width x4|x8|x16 --size 8Mb..256Mb --sides single|double\n"
    "      --ecc --tcl TEXT --trp N --trcd N --tras N --jedec TEXT --part TEXT --print-params\n"
    "  report FILE [--pdf OUT.pdf] [--items]         lay out the one-page SPD report: its texts, its print items\n"
    "                                                as JSON Lines (--items), or the page as a PDF (--pdf)\n"
    "  device --port DEVICE COMMAND                  drive the SPD programmer / module tester on a serial device:\n"
    "      status | program FILE | verify FILE | read-programmer -o OUT | read-module -o OUT | erase\n"
    "      auto-serial on|off | tester read|copy|compare|test|learn\n"
    "      switch power|open|short|spd|spd-verify|protect enable|disable | poll [--count N]\n"
    "\n"
    "Files whose names end in \"spd\" (any case) are text SPD files, all others binary.\n"
    "Exit status: 0 success, 1 failure, 2 bad usage.\n";

std::string Utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

QString PathArg(const std::string& arg)
{
    return QString::fromLocal8Bit(arg.c_str());
}

bool ReadImage(const std::string& file, SpdImage& image, std::string& error, qint64* bytesAfterImage = nullptr)
{
    QString message;
    const QString path = PathArg(file);
    if (ReadSpdFile(path, FormatForName(file), image, &message, bytesAfterImage))
        return true;
    error = Utf8(message);
    return false;
}

// An output that names the input file of a command that is not meant to
// rewrite it: refused, so that the input is never lost.
bool RefuseOutputOverInput(const std::string& in, const std::string& out)
{
    if (!IsSameFile(PathArg(in), PathArg(out)))
        return false;
    PrintError("cannot write \"" + out + "\": it is the input file \"" + in + "\"");
    return true;
}

int Decode(Args& args)
{
    args.parse({"--json"}, {});
    if (args.operands().empty())
        throw UsageError{"decode needs at least one FILE"};
    const bool json = args.has("--json");
    int status = kExitOk;
    std::string out;
    out.reserve(1 << 16);
    for (const std::string& file : args.operands()) {
        SpdImage image{};
        std::string error;
        if (!ReadImage(file, image, error)) {
            status = kExitFailed;
            if (json) {
                AppendDecodeErrorJson(out, file, error);
            } else {
                Print(stdout, out);
                out.clear();
                std::fflush(stdout);
                PrintError(error);
            }
            continue;
        }
        // Every file gets its own new window and its own application-wide values.
        DecodeContext context;
        SpdDocument document(context, file);
        OpenAndSettle(document, image);
        if (json) {
            AppendDecodeJson(out, file, document);
        } else {
            if (&file != &args.operands().front())
                out += '\n';
            AppendDecodeListing(out, file, document);
        }
        if (out.size() > (1 << 15)) {
            Print(stdout, out);
            out.clear();
        }
    }
    Print(stdout, out);
    return status;
}

int Fix(Args& args)
{
    args.parse({}, {"--mode", "-o", "--output"});
    if (args.operands().size() != 1)
        throw UsageError{"fix needs exactly one FILE"};
    const std::string mode = args.value("--mode").value_or("auto");
    if (mode != "auto" && mode != "checksum" && mode != "crc")
        throw UsageError{"invalid --mode \"" + mode + "\" (auto, checksum or crc)"};
    const std::string in = args.operands()[0];
    const std::optional<std::string> named = args.value("-o") ? args.value("-o") : args.value("--output");
    if (named && named->empty())
        throw UsageError{"-o needs a file name"};
    const std::string out = named.value_or(in);

    SpdImage image{};
    std::string error;
    qint64 dropped = 0;
    if (!ReadImage(in, image, error, &dropped)) {
        PrintError(error);
        return kExitFailed;
    }
    if (named && RefuseOutputOverInput(in, out))
        return kExitFailed;
    const bool crc = mode == "crc" || (mode == "auto" && UsesCrc(image));
    std::string report;
    if (crc) {
        const std::uint16_t stored = StoredCrc(image);
        const std::uint16_t fresh = SpdCrc(image);
        image[kCrcLowByte] = static_cast<std::uint8_t>(fresh & 0xFF);
        image[kCrcHighByte] = static_cast<std::uint8_t>(fresh >> 8);
        report = "crc16 (0-" + std::to_string(CrcLastByte(image)) + "): stored " + WordToHex(stored) + ", new " +
                 WordToHex(fresh) + "\n";
    } else {
        const std::uint8_t stored = image[kChecksumByte];
        image[kChecksumByte] = Checksum63(image);
        report = "checksum63: stored " + ByteToHex(stored) + ", new " + ByteToHex(image[kChecksumByte]) + "\n";
    }
    QString message;
    const QString outPath = PathArg(out);
    if (!WriteSpdFile(outPath, image, FormatForName(out), &message)) {
        PrintError(Utf8(message));
        return kExitFailed;
    }
    Print(stdout, report);
    if (!named && dropped > 0)
        PrintError("note: " + std::to_string(dropped) + (dropped == 1 ? " byte" : " bytes") + " after the image in \"" +
                   in + "\" were dropped");
    return kExitOk;
}

int Convert(Args& args)
{
    args.parse({}, {"--format"});
    if (args.operands().size() != 2)
        throw UsageError{"convert needs IN and OUT"};
    const std::string& in = args.operands()[0];
    const std::string& out = args.operands()[1];
    SpdFormat format = FormatForName(out);
    if (const auto f = args.value("--format")) {
        if (*f == "text")
            format = SpdFormat::Text;
        else if (*f == "binary")
            format = SpdFormat::Binary;
        else
            throw UsageError{"invalid --format \"" + *f + "\" (text or binary)"};
    }
    SpdImage image{};
    std::string error;
    if (!ReadImage(in, image, error)) {
        PrintError(error);
        return kExitFailed;
    }
    if (RefuseOutputOverInput(in, out))
        return kExitFailed;
    QString message;
    if (!WriteSpdFile(PathArg(out), image, format, &message)) {
        PrintError(Utf8(message));
        return kExitFailed;
    }
    return kExitOk;
}

// One line per key in order: the name, or "unknown" (and exit 1 at the end).
int Jedec(Args& args)
{
    args.parse({}, {});
    if (args.operands().empty())
        throw UsageError{"jedec needs at least one KEY"};
    int status = kExitOk;
    std::string out;
    for (const std::string& key : args.operands()) {
        if (const char* name = ManufacturerName(key)) {
            out += name;
        } else {
            out += "unknown";
            status = kExitFailed;
        }
        out += '\n';
    }
    Print(stdout, out);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Print(stderr, kUsage);
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        Print(stdout, kUsage);
        return kExitOk;
    }
    if (command == "--version") {
        Print(stdout, std::string("tessaro-cli ") + kVersionText + "\n");
        return kExitOk;
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Print(stdout, kUsage);
            return kExitOk;
        }
    }
    Args args(argc, argv, 2);
    try {
        if (command == "device")
            return RunDeviceCommand(args, argv[0]);
        if (command == "decode")
            return Decode(args);
        if (command == "fix")
            return Fix(args);
        if (command == "convert")
            return Convert(args);
        if (command == "jedec")
            return Jedec(args);
        if (command == "compare")
            return RunCompareCommand(args);
        if (command == "installed")
            return RunInstalledCommand(args);
        if (command == "wizard")
            return RunWizardCommand(args);
        if (command == "report")
            return RunReportCommand(args, argc, argv);
        throw UsageError{"unknown command \"" + command + "\""};
    } catch (const UsageError& e) {
        PrintError(e.reason);
        Print(stderr, "Try 'tessaro-cli --help'.\n");
        return kExitUsage;
    }
}
