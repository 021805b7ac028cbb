#include "wizardcommand.h"

#include "args.h"

#include "files/filename.h"
#include "files/spdfile.h"
#include "files/spdformat.h"
#include "wizard/wizardpages.h"
#include "wizard/wizardsynthesis.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

namespace {

const std::vector<std::string> kFlags = {"--ecc", "--print-params"};
const std::vector<std::string> kValued = {"--type", "--speed", "--width", "--size", "--sides", "--tcl", "--trp",
                                          "--trcd", "--tras",  "--jedec", "--part",  "-o",      "--output"};

std::map<std::string, std::string> ParseOptions(Args& args)
{
    args.parse(kFlags, kValued);
    if (!args.operands().empty())
        throw UsageError{"unexpected argument \"" + args.operands().front() + "\""};
    std::map<std::string, std::string> options;
    for (const auto& names : {kFlags, kValued})
        for (const std::string& name : names)
            if (const auto value = args.value(name))
                options[name == "--output" ? "-o" : name] = *value;
    return options;
}

// Lower case, blanks removed: "x 16" and "X16" both give "x16".
std::string Folded(const std::string& text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ')
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

// Index of the entry whose folded text equals the folded value, or -1.
template <typename Texts>
int FindFolded(const Texts& texts, const std::string& value)
{
    int i = 0;
    for (const auto& text : texts) {
        if (Folded(std::string(text)) == Folded(value))
            return i;
        ++i;
    }
    return -1;
}

std::string Joined(const std::vector<std::string>& entries)
{
    std::string out;
    for (const std::string& e : entries)
        out += (out.empty() ? "" : ", ") + e;
    return out;
}

// Selects an entry of a list by its text; a clock count may leave out the "T".
void SelectEntry(const ChoiceList& list, const std::string& option, std::string value,
                 const std::function<void(int)>& select)
{
    if (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        value += 'T';
    // Entries are compared with single blanks between their latencies.
    std::string spaced;
    for (const char c : value)
        if (c != ' ' || (!spaced.empty() && spaced.back() != ' '))
            spaced.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    while (!spaced.empty() && spaced.back() == ' ')
        spaced.pop_back();
    const int index = list.indexOfText(spaced);
    if (index < 0)
        throw UsageError{"the wizard offers no " + option + " \"" + value + "\" for this generation (" + Joined(list.entries) + ")"};
    select(index);
}

std::string ParamsJson(const WizardParams& params)
{
    std::string out = "{";
    bool first = true;
    for (const auto& [name, value] : params.entries()) {
        if (!first)
            out += ", ";
        first = false;
        out += '"';
        out += name;
        out += "\": ";
        out += std::to_string(value);
    }
    return out + "}\n";
}

// Goes through the pages as an operator would, touching only the controls that
// an option names.
void RunPages(WizardPages& pages, const std::map<std::string, std::string>& o)
{
    auto value = [&o](const char* name) -> std::optional<std::string> {
        const auto it = o.find(name);
        return it == o.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    static const std::vector<std::string> kTypes = {"sdr", "ddr", "ddr2", "ddr3"};

    pages.load();
    if (const auto type = value("--type")) {
        const int g = FindFolded(kTypes, *type);
        if (g < 0)
            throw UsageError{"invalid --type \"" + *type + "\" (sdr, ddr, ddr2 or ddr3)"};
        pages.selectGeneration(g);
    }
    pages.next();

    const int generation = pages.record().params.memoryKind - 1;
    const SpeedFrame& frame = kSpeedFrames[static_cast<std::size_t>(generation)];
    if (const auto speed = value("--speed")) {
        std::vector<std::string> offered;
        int index = -1;
        for (int i = 0; i < kSpeedsPerGeneration; ++i) {
            offered.push_back(std::to_string(frame.megahertz[static_cast<std::size_t>(i)]));
            if (Folded(*speed) == offered.back() || Folded(*speed) == offered.back() + "mhz")
                index = i;
        }
        if (index < 0)
            throw UsageError{"the wizard offers no speed \"" + *speed + "\" for " + kTypes[static_cast<std::size_t>(generation)] +
                        " (" + Joined(offered) + ")"};
        pages.selectSpeed(generation, index);
    }
    pages.next();

    if (const auto width = value("--width")) {
        const int index = FindFolded(kDataWidthCaptions, *width);
        if (index < 0)
            throw UsageError{"invalid --width \"" + *width + "\" (x4, x8 or x16)"};
        pages.selectDataWidth(index);
    }
    if (const auto size = value("--size")) {
        const int index = FindFolded(pages.sizes().entries, *size);
        if (index < 0) {
            std::vector<std::string> offered;
            for (const std::string& e : pages.sizes().entries)
                offered.push_back(Folded(e));
            throw UsageError{"the wizard offers no size \"" + *size + "\" for " + kTypes[static_cast<std::size_t>(generation)] +
                        " with data width " + pages.dataWidths().selectedText() + " (" + Joined(offered) + ")"};
        }
        pages.selectSize(index);
    }
    if (const auto sides = value("--sides")) {
        const std::string s = Folded(*sides);
        if (s != "single" && s != "double")
            throw UsageError{"invalid --sides \"" + *sides + "\" (single or double)"};
        pages.selectSide(s == "single" ? 0 : 1);
    }
    if (o.count("--ecc"))
        pages.setEcc(true);
    pages.next();

    const std::pair<const char*, TimingList> timings[] = {
        {"--tcl", TimingList::Tcl}, {"--trp", TimingList::Trp}, {"--trcd", TimingList::Trcd}, {"--tras", TimingList::Tras}};
    for (const auto& [name, list] : timings) {
        if (const auto v = value(name))
            SelectEntry(pages.timing(list), std::string(name).substr(2), *v,
                        [&pages, list = list](int index) { pages.selectTiming(list, index); });
    }
    pages.next();

    if (const auto jedec = value("--jedec"))
        pages.setJedecIdText(*jedec);
    if (const auto part = value("--part"))
        pages.setPartNumberText(*part);
    pages.finish();
}

}  // namespace

int RunWizardCommand(Args& args)
{
    WizardRecord record;
    const auto options = ParseOptions(args);
    std::optional<std::string> output;
    if (const auto it = options.find("-o"); it != options.end())
        output = it->second;
    const bool printParams = options.count("--print-params") != 0;
    if (!output && !printParams)
        throw UsageError{"wizard needs -o OUT"};
    WizardPages pages(record);
    RunPages(pages, options);

    const WizardImage built = BuildWizardImage(record);

    if (printParams) {
        Print(stdout, ParamsJson(record.params));
    }
    if (output) {
        QString message;
        const QString path = FileNameFromBytes(*output);
        if (!WriteSpdFile(path, built.image, FormatForName(*output), &message)) {
            PrintError(FileNameString(message));
            return kExitFailed;
        }
    }
    return kExitOk;
}

}  // namespace tessaro::cli
