// Prints the one-line summary of each image file given, as a JSON object per
// line ({"file": ..., "summary": {...}}): what bench/summary_vs_decode_dimms.sh
// compares when the command line has no summary of its own.
#include "decode/decodejson.h"
#include "decode/modulesummary.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string out = "{\"file\":";
        tessaro::AppendJsonText(out, argv[i]);
        out += ",\"summary\":";
        tessaro::AppendSummaryJson(out, tessaro::SummarizeModule(data));
        out += "}\n";
        std::fputs(out.c_str(), stdout);
    }
    return 0;
}
