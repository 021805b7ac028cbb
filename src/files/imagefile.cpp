#include "files/imagefile.h"

namespace tessaro {

FileContents ReadImageFileContents(const std::string& path, InputFormat format)
{
    // A binary image needs no more than its largest size; the other forms are
    // read whole, up to a limit.
    return ReadRegularFile(path, format == InputFormat::Binary ? kMaxImageSize : kMaxTextFileSize);
}

ImageRead ImageFromFileContents(const FileContents& file, const std::string& path, InputFormat format,
                                ImageSizeRule rule)
{
    if (!file.ok())
        return {{}, file.error};
    const InputFormat form = format == InputFormat::Auto ? DetectInputFormat(file.data) : format;
    if (form == InputFormat::Dump && file.fileSize > kMaxTextFileSize) {
        return {{}, "\"" + path + "\": " + std::to_string(file.fileSize) +
                        " bytes is too large for a hex dump (at most 4 MiB)"};
    }
    ImageRead result = ParseImage(file.data, format, rule);
    if (!result.ok())
        result.error = "\"" + path + "\": " + result.error;
    else if (file.fileSize > file.data.size())
        result.bytesAfterImage += file.fileSize - file.data.size();
    return result;
}

ImageRead ReadImageFile(const std::string& path, InputFormat format, ImageSizeRule rule)
{
    return ImageFromFileContents(ReadImageFileContents(path, format), path, format, rule);
}

}  // namespace tessaro
