#include "editcommands.h"

#include "imageio.h"
#include "decode/decodejson.h"
#include "decode/moduledecode.h"
#include "decode/textformat.h"
#include "decode/valueedit.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

namespace {

// A value that cannot be set: one line, exit 2, nothing written.
struct BadValue {
    std::string reason;
};

// What set and profile share: read FILE, change a copy, write it (to OUT, or
// back in place) only when every change was accepted.
struct EditedFile {
    std::string in;
    std::string out;
    bool named = false;
    ImageRead read;
};

std::optional<std::string> OutputOption(const Args& args)
{
    const std::optional<std::string> named = args.value("-o") ? args.value("-o") : args.value("--output");
    if (named && named->empty())
        throw UsageError{"-o needs a file name"};
    return named;
}

// Reads the file; false (and the reason on stderr) when it cannot be read.
bool Open(const Args& args, const std::string& in, EditedFile& file, const char* command)
{
    const std::optional<InputFormat> format = InputFormatOption(args);
    const std::optional<std::string> named = OutputOption(args);
    file.in = in;
    file.named = named.has_value();
    file.out = named.value_or(in);
    if (!named && format && *format != InputFormat::Binary && *format != InputFormat::Text) {
        // Written back by its name, a hex dump would silently change its form.
        throw UsageError{std::string(command) + " of a file read with --input-format " +
                         *args.value("--input-format") + " needs -o OUT"};
    }
    file.read = ReadImage(in, format);
    if (!file.read.ok()) {
        PrintError(file.read.error);
        return false;
    }
    return !(named && RefuseOutputOverInput(in, file.out));
}

bool Save(const EditedFile& file)
{
    if (!WriteImage(file.out, file.read.image, FormatForName(file.out)))
        return false;
    PrintReadWarnings(file.in, file.read.image, WrittenPart(file.read.image, file.out));
    const std::uint64_t dropped = file.read.bytesAfterImage;
    if (!file.named && dropped > 0)
        PrintError("note: " + std::to_string(dropped) + (dropped == 1 ? " byte" : " bytes") + " after the image in \"" +
                   file.in + "\" were dropped");
    return true;
}

// Applies NAME=VALUE arguments in order; the report lists what was stored.
void Assign(const std::vector<std::string>& assignments, std::size_t first, std::string& report, std::string& notes,
            const std::function<EditOutcome(std::string_view, std::string_view)>& set)
{
    if (first >= assignments.size())
        throw UsageError{"give at least one NAME=VALUE"};
    for (std::size_t i = first; i < assignments.size(); ++i) {
        const std::string& assignment = assignments[i];
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0)
            throw BadValue{"\"" + TerminalText(assignment) + "\" is not NAME=VALUE"};
        const std::string name = assignment.substr(0, equals);
        const std::string value = assignment.substr(equals + 1);
        const EditOutcome outcome = set(name, value);
        if (!outcome.ok())
            throw BadValue{TerminalText(outcome.error)};
        report += name + ": " + TerminalText(outcome.stored) + '\n';
        if (!outcome.exact)
            notes += "note: " + name + " stored as " + TerminalText(outcome.stored) + " (\"" + TerminalText(value) +
                     "\" cannot be stored exactly)\n";
    }
}

void PrintNotes(const std::string& notes)
{
    std::size_t start = 0;
    while (start < notes.size()) {
        const std::size_t end = notes.find('\n', start);
        PrintError(notes.substr(start, end - start));
        start = end + 1;
    }
}

int ProfileNumber(const std::string& text)
{
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        throw BadValue{"\"" + TerminalText(text) + "\" is not a profile number (see \"profile FILE list\")"};
    return std::stoi(text);
}

int Finish(const EditedFile& file, const std::string& report, const std::string& notes)
{
    if (!Save(file))
        return kExitFailed;
    PrintNotes(notes);
    Print(stdout, report);
    return kExitOk;
}

int RunGuarded(const std::function<int()>& run)
{
    try {
        return run();
    } catch (const BadValue& bad) {
        PrintError(bad.reason);
        return kExitUsage;
    }
}

}  // namespace

int RunSetCommand(Args& args)
{
    args.parse({}, {"-o", "--output", "--input-format"});
    const std::vector<std::string>& operands = args.operands();
    if (operands.empty())
        throw UsageError{"set needs FILE and NAME=VALUE..."};
    return RunGuarded([&] {
        EditedFile file;
        if (!Open(args, operands[0], file, "set"))
            return kExitFailed;
        std::string report;
        std::string notes;
        Assign(operands, 1, report, notes, [&](std::string_view name, std::string_view value) {
            return SetField(file.read.image.bytes, name, value);
        });
        return Finish(file, report, notes);
    });
}

int RunProfileCommand(Args& args)
{
    args.parse({}, {"-o", "--output", "--from", "--input-format"});
    const std::vector<std::string>& operands = args.operands();
    if (operands.size() < 2)
        throw UsageError{"profile needs FILE and a command (list, add, set, remove)"};
    const std::string& command = operands[1];
    if (command != "add" && args.has("--from"))
        throw UsageError{"--from belongs to profile add"};
    return RunGuarded([&] {
        EditedFile file;
        if (command == "list") {
            if (operands.size() != 2 || OutputOption(args))
                throw UsageError{"profile list takes no further arguments"};
            if (!Open(args, operands[0], file, "profile"))
                return kExitFailed;
            const std::string listing = ProfilesListing(OverclockProfiles(file.read.image.bytes));
            std::string out;
            int number = 0;
            for (std::size_t start = 0; start < listing.size();) {
                const std::size_t end = listing.find('\n', start);
                out += std::to_string(++number) + ": " + TerminalText(listing.substr(start, end - start)) + '\n';
                start = end + 1;
            }
            Print(stdout, out.empty() ? "no overclocking profile\n" : out);
            return kExitOk;
        }
        if (command != "add" && command != "set" && command != "remove")
            throw UsageError{"unknown profile command \"" + command + "\" (list, add, set or remove)"};
        if (operands.size() < 3)
            throw UsageError{"profile " + command + " needs " + (command == "add" ? "a KIND" : "a profile number")};
        if (command != "set" && operands.size() != 3)
            throw UsageError{"profile " + command + " takes one argument"};
        if (!Open(args, operands[0], file, "profile"))
            return kExitFailed;
        std::vector<std::uint8_t>& bytes = file.read.image.bytes;
        std::string report;
        std::string notes;
        if (command == "add") {
            const EditOutcome outcome = AddProfile(bytes, operands[2], args.value("--from").value_or("jedec"));
            if (!outcome.ok())
                throw BadValue{TerminalText(outcome.error)};
            report = "added profile " + outcome.stored + "\n";
        } else if (command == "remove") {
            const EditOutcome outcome = RemoveProfile(bytes, ProfileNumber(operands[2]));
            if (!outcome.ok())
                throw BadValue{TerminalText(outcome.error)};
            report = "removed profile " + operands[2] + "\n";
        } else {
            const int number = ProfileNumber(operands[2]);
            Assign(operands, 3, report, notes, [&](std::string_view name, std::string_view value) {
                return SetProfileField(bytes, number, name, value);
            });
        }
        return Finish(file, report, notes);
    });
}

}  // namespace tessaro::cli
