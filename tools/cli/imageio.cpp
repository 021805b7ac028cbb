#include "imageio.h"

#include "files/filename.h"
#include "files/imagefile.h"
#include "files/safefile.h"
#include "files/spdfile.h"

namespace tessaro::cli {

QString PathArg(const std::string& arg)
{
    return FileNameFromBytes(arg);
}

std::optional<InputFormat> InputFormatOption(const Args& args)
{
    const std::optional<std::string> name = args.value("--input-format");
    if (!name)
        return std::nullopt;
    const std::optional<InputFormat> format = InputFormatFromName(*name);
    if (!format)
        throw UsageError{"invalid --input-format \"" + *name + "\" (auto, binary, text or dump)"};
    return format;
}

ImageRead ReadImage(const std::string& file, std::optional<InputFormat> format)
{
    return ReadImageFile(file, format.value_or(InputFormatForFileName(file)));
}

bool RefuseOutputOverInput(const std::string& in, const std::string& out)
{
    if (!IsSameFile(PathArg(in), PathArg(out)))
        return false;
    PrintError("cannot write \"" + out + "\": it is the input file \"" + in + "\"");
    return true;
}

std::string WrittenPart(const ImageData& image, const std::string& out)
{
    return "\"" + out + "\" holds only the " + std::to_string(image.bytes.size()) + " bytes read";
}

bool WriteImage(const std::string& file, const ImageData& image, SpdFormat format)
{
    QString message;
    if (WriteImageFile(PathArg(file), image.bytes, format, &message))
        return true;
    PrintError(FileNameString(message));
    return false;
}

}  // namespace tessaro::cli
