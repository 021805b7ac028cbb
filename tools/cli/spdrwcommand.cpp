#include "spdrwcommand.h"

#include "args.h"
#include "jsonwriter.h"
#include "logcommand.h"

#include "device/spdrwlink.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "files/safefile.h"
#include "files/spdfile.h"
#include "files/spdformat.h"
#include "log/logrecorder.h"
#include "log/productionlog.h"
#include "log/readerwriterrecord.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

namespace {

using spdrw::AddressText;
using spdrw::Bytes;

struct Request {
    std::string port;
    std::optional<std::uint8_t> address;
    bool json = false;
    bool force = false;
    std::string command;
    std::vector<std::string> operands;
    std::optional<std::string> out;
};

constexpr const char* kForms =
    "info | read -o OUT | write FILE [--force] | verify FILE | protect status|set BLOCK...|clear";

[[noreturn]] void Usage(const std::string& reason)
{
    throw UsageError{reason};
}

Request Parse(Args& args)
{
    args.parse({"--json", "--force"}, {"--port", "--address", "-o"});
    Request r;
    const auto port = args.value("--port");
    if (!port)
        Usage("spdrw needs --port DEVICE");
    if (port->empty())
        Usage("--port needs a device path, such as /dev/ttyUSB0");
    r.port = *port;
    if (const auto address = args.value("--address")) {
        r.address = spdrw::ParseAddress(*address);
        if (!r.address)
            Usage("invalid --address \"" + *address + "\" (0x50-0x57)");
    }
    r.json = args.has("--json");
    r.force = args.has("--force");
    r.out = args.value("-o");
    if (args.operands().empty())
        Usage(std::string("spdrw needs a COMMAND: ") + kForms);
    r.command = args.operands().front();
    r.operands.assign(args.operands().begin() + 1, args.operands().end());
    const auto expect = [&](std::size_t count, const char* form) {
        if (r.operands.size() != count)
            Usage(std::string("usage: spdrw --port DEVICE [--address ADDR] ") + form);
    };
    if (r.command == "info") {
        expect(0, "info");
    } else if (r.command == "read") {
        expect(0, "read -o OUT");
        if (!r.out || r.out->empty())
            Usage("usage: spdrw --port DEVICE [--address ADDR] read -o OUT");
    } else if (r.command == "write") {
        expect(1, "write FILE [--force]");
    } else if (r.command == "verify") {
        expect(1, "verify FILE");
    } else if (r.command == "protect") {
        if (r.operands.empty())
            Usage("usage: spdrw --port DEVICE [--address ADDR] protect status|set BLOCK...|clear");
        const std::string& what = r.operands[0];
        if ((what == "status" || what == "clear") && r.operands.size() != 1)
            Usage("protect " + what + " takes no more operands");
        if (what == "set") {
            if (r.operands.size() < 2)
                Usage("protect set needs at least one BLOCK (0-15)");
            for (std::size_t i = 1; i < r.operands.size(); ++i) {
                const std::string& block = r.operands[i];
                if (block.empty() || block.size() > 2 || block.find_first_not_of("0123456789") != std::string::npos ||
                    std::stoi(block) > 15)
                    Usage("invalid BLOCK \"" + block + "\" (0-15)");
            }
        } else if (what != "status" && what != "clear") {
            Usage("unknown protect command \"" + what + "\" (status, set or clear)");
        }
    } else {
        Usage("unknown spdrw command \"" + r.command + "\" (" + kForms + ")");
    }
    if (r.force && r.command != "write")
        Usage("--force belongs to write");
    if (r.out && r.command != "read")
        Usage("-o belongs to read");
    return r;
}

std::string Hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

std::string Json(const std::string& text)
{
    std::string out;
    AppendJsonString(out, text);
    return out;
}

std::string JsonList(const SpdrwModule& module, bool wantProtected)
{
    std::string out = "[";
    for (int i = 0; i < module.blockCount(); ++i) {
        if (module.protectedBlocks[static_cast<std::size_t>(i)] != wantProtected)
            continue;
        if (out.size() > 1)
            out += ',';
        out += std::to_string(i);
    }
    return out + "]";
}

std::string JsonModule(const SpdrwModule& module, std::optional<bool> offline)
{
    std::string out = "{\"address\":" + Json(AddressText(module.address)) +
                      ",\"generation\":" + Json(module.generation) + ",\"size\":" + std::to_string(module.size) +
                      ",\"blocks\":" + std::to_string(module.blockCount()) +
                      ",\"protected\":" + JsonList(module, true) + ",\"clear\":" + JsonList(module, false) +
                      ",\"permanent\":" + (module.permanent ? "true" : "false");
    if (offline)
        out += std::string(",\"offline\":") + (*offline ? "true" : "false");
    return out + "}";
}

std::string StatusLine(const SpdrwModule& module, std::optional<bool> offline)
{
    std::string line = AddressText(module.address) + ": " + module.generation + ", ";
    if (module.blockCount() == 1)
        line += std::string("block 0: ") + (module.protectedBlocks[0] ? "protected" : "clear");
    else
        line += "blocks " + module.blockRange() + ": protected " + module.blockList(true) + ", clear " +
                module.blockList(false);
    line += std::string("; permanent: ") + (module.permanent ? "yes" : "no");
    if (offline)
        line += std::string("; offline mode: ") + (*offline ? "yes" : "no");
    return line;
}

class Session
{
public:
    explicit Session(const Request& request)
        : m_request(request), m_link(FileNameFromBytes(request.port)),
          m_journal(m_log.log.get(), m_log.recorder ? m_log.recorder->station() : QStringLiteral("localhost"),
                    m_log.recorder ? m_log.recorder->operatorName() : OperatorName())
    {
    }
    ~Session()
    {
        m_link.close();
        FinishDeviceLog(m_log);
    }

    int run()
    {
        const std::string& c = m_request.command;
        std::optional<ImageRead> file;
        if (c == "write" || c == "verify") {
            // An unreadable FILE is bad usage: refused before the device is touched.
            file = ReadImageFile(m_request.operands[0], InputFormatForFileName(m_request.operands[0]));
            if (!file->ok())
                throw UsageError{file->error};
            if (file->image.truncated())
                throw UsageError{"\"" + m_request.operands[0] + "\": " + file->image.truncationWarning()};
        }
        if (c == "read") {
            if (QString error; !CheckOutputFile(FileNameFromBytes(*m_request.out), &error))
                return failed("spdrw read", FileNameString(error));
        }
        if (!m_link.connect())
            return failed("spdrw " + c, m_link.error());
        if (c == "info")
            return info();
        SpdrwModule module;
        if (!chooseModule(module))
            return failed("spdrw " + c, m_link.error());
        if (c == "read")
            return read(module);
        if (c == "write")
            return write(module, file->image.bytes);
        if (c == "verify")
            return verify(module, file->image.bytes);
        return protect(module);
    }

private:
    bool chooseModule(SpdrwModule& module)
    {
        if (m_request.address)
            return m_link.inspect(*m_request.address, module);
        std::vector<std::uint8_t> addresses;
        if (!m_link.scanAddresses(addresses))
            return false;
        if (addresses.size() == 1)
            return m_link.inspect(addresses.front(), module);
        if (addresses.empty()) {
            m_error = "no module answers at 0x50-0x57";
        } else {
            std::string list;
            for (std::uint8_t a : addresses) {
                if (!list.empty())
                    list += ' ';
                list += AddressText(a);
            }
            m_error = "modules answer at " + list + ": choose one with --address";
        }
        return false;
    }

    void record(const std::string& operation, const SpdrwModule* module, std::optional<std::span<const std::uint8_t>> image,
                bool ok, const std::string& message, const std::string& document = {})
    {
        m_journal.record(operation, m_link.portPath(), module, image, ok, message, document);
    }

    int failed(const std::string& operation, std::string message, const SpdrwModule* module = nullptr,
               const std::string& document = {})
    {
        if (!m_error.empty())
            message = m_error;
        PrintError(message);
        record(operation, module, std::nullopt, false, message, document);
        return kExitFailed;
    }

    void out(const std::string& text) { Print(stdout, text); }

    int info()
    {
        std::vector<SpdrwModule> modules;
        if (!m_link.scan(modules))
            return failed("spdrw info", m_link.error());
        std::optional<bool> offline;
        for (const SpdrwModule& m : modules) {
            if (m.ddr5() && !offline) {
                bool mode = false;
                if (!m_link.offlineMode(mode))
                    return failed("spdrw info", m_link.error());
                offline = mode;
            }
        }
        const SpdrwDevice& d = m_link.device();
        std::string text;
        if (m_request.json) {
            text = "{\"firmware\":" + std::to_string(d.version) + ",\"name\":" + Json(d.name) +
                   ",\"clockKHz\":" + std::to_string(d.clockKHz) + ",\"modules\":[";
            for (std::size_t i = 0; i < modules.size(); ++i) {
                if (i > 0)
                    text += ',';
                text += JsonModule(modules[i], modules[i].ddr5() ? offline : std::nullopt);
            }
            text += "]}\n";
        } else {
            text = "firmware: " + std::to_string(d.version) + "\nname: " + d.name +
                   "\nclock: " + std::to_string(d.clockKHz) + " kHz\n";
            for (const SpdrwModule& m : modules) {
                text += AddressText(m.address) + ": " + m.generation + ", " + std::to_string(m.size) +
                        " bytes, protected blocks: " + m.blockList(true) + " (of " + m.blockRange() +
                        "), permanent: " + (m.permanent ? "yes" : "no");
                if (m.ddr5())
                    text += std::string(", offline mode: ") + (offline.value_or(false) ? "yes" : "no");
                text += "\n";
            }
        }
        out(text);
        record("spdrw info", nullptr, std::nullopt, true, {});
        return kExitOk;
    }

    int read(const SpdrwModule& module)
    {
        Bytes image;
        const std::string& file = *m_request.out;
        if (!m_link.readImage(module, image))
            return failed("spdrw read", m_link.error(), &module, file);
        QString error;
        if (!WriteImageFile(FileNameFromBytes(file), image, FormatForName(file), &error))
            return failed("spdrw read", FileNameString(error), &module, file);
        record("spdrw read", &module, image, true, {}, file);
        if (m_request.json)
            out("{\"address\":" + Json(AddressText(module.address)) + ",\"generation\":" + Json(module.generation) +
                ",\"size\":" + std::to_string(image.size()) + ",\"file\":" + Json(file) + "}\n");
        else
            out("read " + std::to_string(image.size()) + " bytes from " + AddressText(module.address) + " (" +
                module.generation + ")\n");
        return kExitOk;
    }

    int write(const SpdrwModule& module, const Bytes& image)
    {
        const std::string& file = m_request.operands[0];
        const std::string base = "tessaro-cli spdrw --port " + m_request.port + " --address " + AddressText(module.address);
        SpdrwHints hints;
        hints.clearProtection = base + " protect clear";
        hints.restoreBackup = [&](const std::string& sha) {
            return "tessaro-cli log --image " + sha + " -o OUT, then " + base + " write OUT --force";
        };
        const SpdrwWriteResult result = m_journal.write(m_link, module, image, m_request.force, hints, file);
        if (!Succeeded(result)) {
            PrintError(result.message);
            return kExitFailed;
        }
        if (m_request.json) {
            out("{\"address\":" + Json(AddressText(module.address)) + ",\"generation\":" + Json(module.generation) +
                ",\"pagesWritten\":" + std::to_string(result.pagesWritten.size()) +
                ",\"pages\":" + std::to_string(result.totalPages) +
                ",\"bytes\":" + std::to_string(result.pagesWritten.size() * spdrw::kPageSize) +
                ",\"verified\":" + (result.outcome == SpdrwWriteResult::Outcome::Written ? "true" : "false") +
                ",\"unchanged\":" + (result.outcome == SpdrwWriteResult::Outcome::Unchanged ? "true" : "false") + "}\n");
        } else {
            out(result.message + "\n");
        }
        return kExitOk;
    }

    int verify(const SpdrwModule& module, const Bytes& image)
    {
        const std::string& file = m_request.operands[0];
        if (static_cast<int>(image.size()) != module.size)
            return failed("spdrw verify",
                          "\"" + file + "\" holds " + std::to_string(image.size()) + " bytes but the module at " +
                              AddressText(module.address) + " is " + module.generation + " with " +
                              std::to_string(module.size) + " bytes",
                          &module, file);
        Bytes current;
        if (!m_link.readImage(module, current))
            return failed("spdrw verify", m_link.error(), &module, file);
        std::string lines;
        std::string json;
        int differing = 0;
        for (std::size_t i = 0; i < image.size(); ++i) {
            if (image[i] == current[i])
                continue;
            ++differing;
            char offset[24];
            std::snprintf(offset, sizeof offset, "0x%03zX", i);
            lines += std::string("offset ") + offset + ": file " + Hex2(image[i]) + ", module " + Hex2(current[i]) + "\n";
            if (!json.empty())
                json += ',';
            json += std::string("{\"offset\":") + std::to_string(i) +
                    ",\"file\":" + std::to_string(image[i]) + ",\"module\":" + std::to_string(current[i]) + "}";
        }
        record("spdrw verify", &module, image, differing == 0,
               differing == 0 ? std::string() : std::to_string(differing) + " bytes differ", file);
        if (m_request.json)
            out("{\"address\":" + Json(AddressText(module.address)) + ",\"generation\":" + Json(module.generation) +
                ",\"equal\":" + (differing == 0 ? "true" : "false") + ",\"differences\":[" + json + "]}\n");
        else
            out(lines);
        return differing == 0 ? kExitOk : kExitFailed;
    }

    int protect(SpdrwModule& module)
    {
        const std::string what = m_request.operands[0];
        const std::string operation = "spdrw protect " + what;
        if (what == "set") {
            std::vector<int> blocks;
            for (std::size_t i = 1; i < m_request.operands.size(); ++i)
                blocks.push_back(std::stoi(m_request.operands[i]));
            if (!m_link.setProtection(module, blocks))
                return failed(operation, m_link.error(), &module);
        } else if (what == "clear") {
            if (!m_link.clearProtection(module))
                return failed(operation, m_link.error(), &module);
        }
        std::optional<bool> offline;
        if (module.ddr5()) {
            bool mode = false;
            if (!m_link.offlineMode(mode))
                return failed(operation, m_link.error(), &module);
            offline = mode;
        }
        record(operation, &module, std::nullopt, true, {});
        out((m_request.json ? JsonModule(module, offline) : StatusLine(module, offline)) + "\n");
        return kExitOk;
    }

    const Request& m_request;
    DeviceLog m_log = OpenDeviceLog();
    SpdrwLink m_link;
    ReaderWriterJournal m_journal;
    std::string m_error;  // a failure of this command's own, before the link's
};

}  // namespace

int RunSpdrwCommand(Args& args, const char* program)
{
    const Request request = Parse(args);
    static int qtArgc = 1;
    static char* qtArgv[] = {const_cast<char*>(program), nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    Session session(request);
    return session.run();
}

}  // namespace tessaro::cli
