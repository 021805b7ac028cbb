#include "document/settle.h"

namespace tessaro {

void OpenAndSettle(SpdDocument& document, const SpdImage& image)
{
    document.open();
    document.load(image);
    document.decodeAll();
}

}  // namespace tessaro
