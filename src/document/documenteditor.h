#pragma once

#include "document/appvalues.h"
#include "document/datecode.h"
#include "document/spddocument.h"

#include <bitset>
#include <cstdint>
#include <span>
#include <string>

namespace tessaro {

// Colour of a cell's text.
enum class CellText : std::uint8_t { Normal, Red };

// What the operator does in a document window, without the window: selecting
// a byte, typing into the byte entry box and the fill box, picking a fill row,
// the date-code and security options. The window forwards its events here and
// draws what this reports.
class DocumentEditor
{
public:
    // Today's date as the window shows it.
    struct Today {
        int year = 2000;
        int month = 1;
        int day = 1;
        std::string text;  // the date in the system's short format
    };

    DocumentEditor(SpdDocument& document, AppValues& app);

    // The editor's own values that belong to the bytes: the date-code and
    // security stamps with the bytes they replaced.
    struct Stamps {
        std::uint8_t savedDateYear = 0;
        std::uint8_t savedDateWeek = 0;
        std::uint8_t savedSecurityByte = 0;
        int dateYearByte = 0;  // the stamped year byte; 0 when none
        int securityByte = 0;  // the stamped security byte; 0 when none
        bool operator==(const Stamps&) const = default;
    };
    // What one editing step changed: the document's change, the stamps and
    // the selected byte before and after.
    struct Step {
        SpdDocument::Change document;
        Stamps before;
        Stamps after;
        int currentBefore = 0;
        int currentAfter = 0;
        // The selected byte alone is no change.
        [[nodiscard]] bool empty() const { return document.empty() && before == after; }
        void absorb(const Step& later);  // `later` followed: this becomes the step of both
    };
    // Starts noting an editing step; endStep() returns what it changed.
    void beginStep();
    [[nodiscard]] Step endStep();
    // Puts the document and the stamps back as they were before `step`
    // (undo) or after it, and selects the byte of that moment.
    void applyStep(const Step& step, bool undo);

    // The opening of the window: the document opens (all bytes 0, checksum,
    // full decode), the date bytes and byte 127 are remembered, today's date
    // fields are computed, cells 0-63 get red text while the operator is not
    // authorised, and the fill start returns to 255 with row "F0" highlighted.
    void open(const Today& today);

    // A click on cell i.
    void selectByte(int index);
    // Whether the operator may change byte i: the image's rules name the bytes
    // that need the password (bytes 0-63).
    [[nodiscard]] bool mayWrite(int index) const;

    // Bytes pasted from `from` on, each stored as an entry stores its byte
    // (marked edited), then the check bytes of the check mode recomputed once,
    // everything decoded and the modified flag set. Bytes beyond 255 are
    // dropped. Without the password a paste that would touch a byte below 64
    // is refused whole and changes nothing.
    struct PasteResult {
        int written = 0;
        int dropped = 0;
        bool refused = false;
    };
    PasteResult pasteBytes(int from, std::span<const std::uint8_t> bytes);
    // A key press in the byte entry box. `box` is its text and is changed as
    // the box must change (kept to two characters, emptied after Enter).
    void entryKey(std::string& box, bool enter);
    // A key press in the fill box. Enter writes the box's value into every
    // byte from fillFrom() to 255, recomputes the check bytes of the current
    // check mode and sets the modified flag; other keys change no byte.
    void fillKey(std::string& box, bool enter);
    // The first byte a fill writes: the fill start, but never below 64 while
    // the operator has not given the password.
    [[nodiscard]] int fillFrom() const;
    // A click on header h: 0-15 are the column headers (ignored), 16-31 the
    // row headers "00" ... "F0", which set the fill start.
    void headerClicked(int header);
    // Clicks of the two options; `checked` is the option's new state.
    // The date code stamps the year and week (BCD) into the bytes the image's
    // rules name: bytes 93-94, and bytes 120-121 of a DDR3 image (byte 2 =
    // 0Bh), whose bytes 93-94 lie in the CRC-covered module block; there the
    // CRC follows in CRC mode, after stamping and after restoring. Byte 127 of
    // a DDR3 image is the CRC's high byte, so the security option stamps
    // nothing on one.
    void dateCodeClicked(bool checked, const Today& today);
    void securityClicked(bool checked);
    // Byte 2 may have changed (a load, a read, an edit): a stamp made on the
    // other kind of image (DDR3 or not) is given up, its bytes left as they
    // now are, so that unchecking never writes old bytes into the wrong place.
    void followImageKind();
    [[nodiscard]] bool securityAvailable() const;
    [[nodiscard]] bool dateCodeStamped() const { return m_dateYearByte != 0; }
    [[nodiscard]] bool securityStamped() const { return m_securityByte != 0; }

    [[nodiscard]] int currentByte() const { return m_current; }
    [[nodiscard]] CellText cellText(int index) const { return m_redText.test(static_cast<std::size_t>(index)) ? CellText::Red : CellText::Normal; }
    [[nodiscard]] bool entryBoxShown() const { return m_entryShown; }
    [[nodiscard]] int highlightedRow() const { return m_highlightedRow; }  // 0-15
    [[nodiscard]] const std::string& dateText() const { return m_dateText; }
    [[nodiscard]] const WeekFields& week() const { return m_week; }
    [[nodiscard]] SpdDocument& document() const { return m_doc; }

private:
    void computeDate(const Today& today);
    [[nodiscard]] Stamps stamps() const;
    void recomputeCheckBytes();

    SpdDocument& m_doc;
    AppValues& m_app;
    int m_current = 0;
    std::bitset<kSpdSize> m_redText;
    bool m_entryShown = true;
    int m_highlightedRow = 15;
    std::uint8_t m_savedDateYear = 0;
    std::uint8_t m_savedDateWeek = 0;
    std::uint8_t m_savedSecurityByte = 0;
    int m_dateYearByte = 0;  // the stamped year byte (the week follows it); 0 when none
    int m_securityByte = 0;  // the stamped security byte; 0 when none
    Stamps m_stampsBefore;  // of the step being noted
    int m_currentBefore = 0;
    std::string m_dateText;
    WeekFields m_week;
};

}  // namespace tessaro
