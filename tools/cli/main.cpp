// tessaro-cli: the SPD engine for production scripts and batch checks.

#include "core/checks.h"
#include "core/hex.h"
#include "decode/jedec.h"
#include "args.h"
#include "decodeoutput.h"
#include "editcommands.h"
#include "imageio.h"
#include "devicecommand.h"
#include "logcommand.h"
#include "modulecommands.h"
#include "reportcommand.h"
#include "spdrwcommand.h"
#include "wizardcommand.h"
#include "document/settle.h"
#include "decode/moduledecode.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "log/logsettings.h"
#include "tessaroversion.h"

#include <QString>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

using namespace tessaro;
using namespace tessaro::cli;

namespace {

constexpr const char* kUsage =
    "usage: tessaro-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  decode [--json] FILE...                       decode SPD images (256, 512 or 1024 bytes): the module summary,\n"
    "                                                and what a settled document window shows (256 bytes) or the\n"
    "                                                timings, CRC blocks and overclocking profiles (DDR4, DDR5)\n"
    "  fix [--mode auto|checksum|crc] FILE [-o OUT]  recompute the check bytes (every CRC block of DDR4/DDR5)\n"
    "                                                and write the image back\n"
    "  convert IN OUT [--format text|binary]         write an image in another file format\n"
    "  set FILE [-o OUT] NAME=VALUE...               change values by their meaning (the keys of decode --json:\n"
    "                                                partNumber, serialNumber, manufactured, manufacturer,\n"
    "                                                moduleRevision, speedMTs, tCKmin, tAA ..., casLatencies,\n"
    "                                                voltage), e.g. tAA=13.75ns manufacturer=Samsung\n"
    "                                                manufactured=2024-W07 casLatencies=10,11,12; every check\n"
    "                                                byte and CRC block follows; a rounded value is noted\n"
    "  profile FILE [-o OUT] COMMAND                 edit the XMP 2.0, XMP 3.0 and EXPO profiles:\n"
    "      list | add xmp|expo [--from jedec|N] | set N NAME=VALUE... | remove N\n"
    "      N is the profile's number in the list; NAME: speedMTs, tCKmin, voltage, casLatencies, the timings,\n"
    "      name (XMP 3.0), enabled\n"
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
    "      every operation is recorded in the production log\n"
    "  spdrw --port DEVICE [--address ADDR] [--json] COMMAND\n"
    "                                                drive the open SPD reader/writer (115200 baud) on a serial\n"
    "                                                device; ADDR 0x50-0x57 (default: the one module present):\n"
    "      info | read -o OUT | write FILE [--force] | verify FILE | protect status|set BLOCK...|clear\n"
    "      a write changes only differing 16-byte pages, after a backup into the production log, and reads back\n"
    "  log [--since DATE] [--until DATE] [--result ok|fail] [--text TEXT] [--csv|--json] [--database PATH]\n"
    "                                                list the production log; DATE is a day (2026-12-10,\n"
    "                                                --until includes it) or a time with its zone (...T09:30Z)\n"
    "      --image SHA256 -o OUT                     write an image kept in the production log\n"
    "  --help, -h | --version                        this text | the version\n"
    "\n"
    "Files whose names end in \"spd\" (any case) are text SPD files, all others binary. decode, fix, convert\n"
    "and compare take --input-format auto|binary|text|dump to read a file otherwise: dump reads hex dumps\n"
    "(bare hex bytes, \"0000: 23 11 ...\" and i2cdump lines, hexdump -C, xxd, xxd -p); auto tells the forms\n"
    "apart and refuses a file it cannot tell.\n"
    "Exit status: 0 success, 1 failure, 2 bad usage.\n";

// What decoding one file gives: its output, or why it could not be read.
struct DecodedFile {
    std::string output;
    std::string error;
};

void DecodeFile(const std::string& file, std::optional<InputFormat> format, bool json, DecodedFile& result)
{
    const ImageRead read = ReadImage(file, format);
    if (!read.ok()) {
        result.error = read.error;
        if (json)
            AppendDecodeErrorJson(result.output, file, read.error);
        return;
    }
    // Every file gets its own new window and its own application-wide values,
    // so files decode independently of each other.
    if (json)
        AppendDecodeJson(result.output, file, read.image);
    else
        AppendDecodeText(result.output, file, read.image);
}

// Decodes the files of one batch, on several threads when there are many of
// them; the results keep the order of the files.
void DecodeBatch(std::span<const std::string> files, std::optional<InputFormat> format, bool json,
                 std::vector<DecodedFile>& results)
{
    results.assign(files.size(), {});
    constexpr std::size_t kFilesPerThread = 32;
    const std::size_t threads =
        std::clamp<std::size_t>(files.size() / kFilesPerThread, 1, std::max(1U, std::thread::hardware_concurrency()));
    auto work = [&](std::size_t first) {
        for (std::size_t i = first; i < files.size(); i += threads)
            DecodeFile(files[i], format, json, results[i]);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(work, t);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
}

int Decode(Args& args)
{
    args.parse({"--json"}, {"--input-format"});
    if (args.operands().empty())
        throw UsageError{"decode needs at least one FILE"};
    const bool json = args.has("--json");
    const std::optional<InputFormat> format = InputFormatOption(args);
    const std::vector<std::string>& files = args.operands();
    int status = kExitOk;
    std::string out;
    std::vector<DecodedFile> results;
    constexpr std::size_t kBatch = 1024;
    for (std::size_t first = 0; first < files.size(); first += kBatch) {
        const std::span<const std::string> batch(files.data() + first, std::min(kBatch, files.size() - first));
        DecodeBatch(batch, format, json, results);
        for (std::size_t i = 0; i < batch.size(); ++i) {
            DecodedFile& result = results[i];
            if (!result.error.empty()) {
                status = kExitFailed;
                if (!json) {
                    // The reason goes to stderr where the listing would have been.
                    Print(stdout, out);
                    out.clear();
                    std::fflush(stdout);
                    PrintError(result.error);
                    continue;
                }
            }
            if (!json && first + i > 0)
                out += '\n';
            out += result.output;
            if (out.size() > (1 << 16)) {
                Print(stdout, out);
                out.clear();
            }
        }
    }
    Print(stdout, out);
    return status;
}

// "crc16 (0-125): stored 1234, new 5678" for the check of a 256-byte image.
std::string FixPage(SpdImage& image, const std::string& mode)
{
    const bool crc = mode == "crc" || (mode == "auto" && UsesCrc(image));
    if (crc) {
        const std::uint16_t stored = StoredCrc(image);
        const std::uint16_t fresh = SpdCrc(image);
        image[kCrcLowByte] = static_cast<std::uint8_t>(fresh & 0xFF);
        image[kCrcHighByte] = static_cast<std::uint8_t>(fresh >> 8);
        return "crc16 (0-" + std::to_string(CrcLastByte(image)) + "): stored " + WordToHex(stored) + ", new " +
               WordToHex(fresh) + "\n";
    }
    const std::uint8_t stored = image[kChecksumByte];
    image[kChecksumByte] = Checksum63(image);
    return "checksum63: stored " + ByteToHex(stored) + ", new " + ByteToHex(image[kChecksumByte]) + "\n";
}

int Fix(Args& args)
{
    args.parse({}, {"--mode", "-o", "--output", "--input-format"});
    if (args.operands().size() != 1)
        throw UsageError{"fix needs exactly one FILE"};
    const std::string mode = args.value("--mode").value_or("auto");
    if (mode != "auto" && mode != "checksum" && mode != "crc")
        throw UsageError{"invalid --mode \"" + mode + "\" (auto, checksum or crc)"};
    const std::optional<InputFormat> format = InputFormatOption(args);
    const std::string in = args.operands()[0];
    const std::optional<std::string> named = args.value("-o") ? args.value("-o") : args.value("--output");
    if (named && named->empty())
        throw UsageError{"-o needs a file name"};
    const std::string out = named.value_or(in);

    ImageRead read = ReadImage(in, format);
    if (!read.ok()) {
        PrintError(read.error);
        return kExitFailed;
    }
    ImageData& image = read.image;
    if (!named && format && *format != InputFormat::Binary && *format != InputFormat::Text) {
        // Written back by its name, a hex dump would silently change its form.
        throw UsageError{"fix of a file read with --input-format " + *args.value("--input-format") +
                         " needs -o OUT"};
    }
    if (image.size != kSpdSize && mode == "checksum")
        throw UsageError{"--mode checksum: a " + std::to_string(image.size) +
                         "-byte image keeps CRC blocks, not a checksum"};
    if (named && RefuseOutputOverInput(in, out))
        return kExitFailed;
    std::string report;
    if (image.size == kSpdSize) {
        SpdImage page{};
        std::copy(image.bytes.begin(), image.bytes.end(), page.begin());
        report = FixPage(page, mode);
        image.bytes.assign(page.begin(), page.end());
    } else {
        for (const CrcBlock& block : FixCrcBlocks(image.bytes)) {
            report += block.key + ": stored " + WordToHex(block.stored) + ", new " + WordToHex(block.computed) +
                      "\n";
        }
        if (report.empty())
            report = "no CRC block in the " + std::to_string(image.bytes.size()) + " bytes read\n";
    }
    if (!WriteImage(out, image, FormatForName(out)))
        return kExitFailed;
    PrintReadWarnings(in, image, WrittenPart(image, out));
    Print(stdout, report);
    const std::uint64_t dropped = read.bytesAfterImage;
    if (!named && dropped > 0)
        PrintError("note: " + std::to_string(dropped) + (dropped == 1 ? " byte" : " bytes") + " after the image in \"" +
                   in + "\" were dropped");
    return kExitOk;
}

int Convert(Args& args)
{
    args.parse({}, {"--format", "--input-format"});
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
    const ImageRead read = ReadImage(in, InputFormatOption(args));
    if (!read.ok()) {
        PrintError(read.error);
        return kExitFailed;
    }
    if (RefuseOutputOverInput(in, out) || !WriteImage(out, read.image, format))
        return kExitFailed;
    PrintReadWarnings(in, read.image, WrittenPart(read.image, out));
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

// The commands that write files: none of them may write over the settings
// file or the production log.
bool WritesFiles(const std::string& command)
{
    for (const char* writer : {"fix", "set", "profile", "convert", "wizard", "report", "installed", "log", "device"})
        if (command == writer)
            return true;
    return false;
}

int Run(int argc, char** argv)
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
    const auto userFiles = WritesFiles(command) ? ProtectUserFiles() : decltype(ProtectUserFiles()){};
    try {
        if (command == "device")
            return RunDeviceCommand(args, argv[0]);
        if (command == "log")
            return RunLogCommand(args, argv[0]);
        if (command == "spdrw")
            return RunSpdrwCommand(args, argv[0]);
        if (command == "decode")
            return Decode(args);
        if (command == "fix")
            return Fix(args);
        if (command == "convert")
            return Convert(args);
        if (command == "set")
            return RunSetCommand(args);
        if (command == "profile")
            return RunProfileCommand(args);
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

}  // namespace

int main(int argc, char** argv)
{
    GuardStandardStreams();
    return FinishStandardOutput(Run(argc, argv));
}
