#include "args.h"

#include <algorithm>

namespace tessaro::cli {

void Print(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void PrintError(const std::string& text)
{
    Print(stderr, "tessaro-cli: " + text + "\n");
}

void PrintReadWarnings(const std::string& file, const ImageData& image, const std::string& consequence)
{
    if (image.truncated())
        PrintError("warning: \"" + file + "\": " + image.truncationWarning() + (consequence.empty() ? "" : "; ") +
                   consequence);
}

void Args::parse(const std::vector<std::string>& flags, const std::vector<std::string>& valued)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < m_args.size(); ++i) {
        const std::string& a = m_args[i];
        if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
            m_operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> value;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            if (value)
                throw UsageError{"option " + name + " takes no value"};
            m_values[name] = "";
        } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
            if (!value) {
                if (i + 1 >= m_args.size())
                    throw UsageError{"option " + name + " needs a value"};
                value = m_args[++i];
            }
            m_values[name] = *value;
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
}

}  // namespace tessaro::cli
