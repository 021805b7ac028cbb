#pragma once

#include "document/appvalues.h"
#include "document/datecode.h"
#include "document/spddocument.h"

#include <bitset>
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

    // What one editing step can change: the document and the editor's own
    // state that belongs to the bytes (the date-code and security stamps with
    // the bytes they replaced) and the selected byte.
    struct Snapshot {
        SpdDocument::State document;
        std::uint8_t savedDateYear = 0;
        std::uint8_t savedDateWeek = 0;
        std::uint8_t savedByte127 = 0;
        int dateYearByte = 0;
        bool securityStamped = false;
        int current = 0;
        // Equal in what they hold; the selected byte alone is no change.
        [[nodiscard]] bool sameContent(const Snapshot& other) const;
    };
    [[nodiscard]] Snapshot snapshot() const;
    // Puts the document and the stamps back as `snapshot` holds them and
    // selects its byte; the check mode only when `withCheckMode`.
    void restore(const Snapshot& snapshot, bool withCheckMode);

    // The opening of the window: the document opens (all bytes 0, checksum,
    // full decode), the date bytes and byte 127 are remembered, today's date
    // fields are computed, cells 0-63 get red text while the operator is not
    // authorised, and the fill start returns to 255 with row "F0" highlighted.
    void open(const Today& today);

    // A click on cell i.
    void selectByte(int index);
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
    // The date code stamps the year and week (BCD) into bytes 93-94, and into
    // bytes 120-121 of a DDR3 image (byte 2 = 0Bh), whose bytes 93-94 lie in
    // the CRC-covered module block; there the CRC follows in CRC mode, after
    // stamping and after restoring. Byte 127 of a DDR3 image is the CRC's high
    // byte, so the security option stamps nothing on one.
    void dateCodeClicked(bool checked, const Today& today);
    void securityClicked(bool checked);
    // Byte 2 may have changed (a load, a read, an edit): a stamp made on the
    // other kind of image (DDR3 or not) is given up, its bytes left as they
    // now are, so that unchecking never writes old bytes into the wrong place.
    void followImageKind();
    [[nodiscard]] bool securityAvailable() const;
    [[nodiscard]] bool dateCodeStamped() const { return m_dateYearByte != 0; }
    [[nodiscard]] bool securityStamped() const { return m_securityStamped; }

    [[nodiscard]] int currentByte() const { return m_current; }
    [[nodiscard]] CellText cellText(int index) const { return m_redText.test(static_cast<std::size_t>(index)) ? CellText::Red : CellText::Normal; }
    [[nodiscard]] bool entryBoxShown() const { return m_entryShown; }
    [[nodiscard]] int highlightedRow() const { return m_highlightedRow; }  // 0-15
    [[nodiscard]] const std::string& dateText() const { return m_dateText; }
    [[nodiscard]] const WeekFields& week() const { return m_week; }
    [[nodiscard]] SpdDocument& document() const { return m_doc; }

private:
    void computeDate(const Today& today);
    void recomputeCheckBytes();

    SpdDocument& m_doc;
    AppValues& m_app;
    int m_current = 0;
    std::bitset<kSpdSize> m_redText;
    bool m_entryShown = true;
    int m_highlightedRow = 15;
    std::uint8_t m_savedDateYear = 0;
    std::uint8_t m_savedDateWeek = 0;
    std::uint8_t m_savedByte127 = 0;
    int m_dateYearByte = 0;  // the stamped year byte (93 or 120, the week follows it); 0 when none
    bool m_securityStamped = false;
    std::string m_dateText;
    WeekFields m_week;
};

}  // namespace tessaro
