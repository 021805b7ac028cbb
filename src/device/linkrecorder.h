#pragma once

#include "core/spdimage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

// Every operation that reaches the programmer or the module tester, as the
// production log names it.
enum class LinkOperation {
    Download,        // download and the check that follows it
    Check,           // the check of a download alone
    ReadProgrammer,
    ReadModule,
    Compare,
    Erase,
    AutoSerial,
    TesterRead,
    TesterCopy,
    TesterCompare,
    TesterTest,
    TesterLearn,
    Switch,
    TestRecord,      // a module-test record that the result polling read
};

// "download", "read module", "tester test", ...
[[nodiscard]] const char* LinkOperationName(LinkOperation operation);

// What one finished operation did: told to the recorder once, after the
// operation has shown its outcome.
struct LinkOperationReport {
    LinkOperation operation = LinkOperation::Download;
    std::string port;          // "port 1 (/dev/ttyUSB0)"
    std::string documentName;  // the active document's caption, empty when none
    std::optional<SpdImage> image;  // the image sent, compared or read
    bool authorized = false;   // the operator entered the password
    bool ok = false;
    std::string message;       // the failure message and its details, one line each
    std::int64_t durationMs = 0;
    // A module-test record: its result text and the failing and passing
    // signal indexes (0-143).
    std::string testResult;
    std::vector<int> failPins;
    std::vector<int> passPins;
};

// Receives every finished link operation (the production log). It must not
// fail or block the operation: whatever it cannot store it keeps.
class LinkRecorder
{
public:
    virtual ~LinkRecorder() = default;
    virtual void operationFinished(const LinkOperationReport& report) = 0;
};

}  // namespace tessaro
