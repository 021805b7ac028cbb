#pragma once

#include "core/bytetables.h"
#include "core/memorytype.h"
#include "core/spdimage.h"
#include "document/bytechanges.h"
#include "decode/decodedview.h"
#include "decode/moduledecode.h"
#include "files/imageformat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

class SpdDocument;

// Told about every change of a document; a window is one of these.
class SpdDocumentObserver
{
public:
    virtual ~SpdDocumentObserver() = default;
    virtual void byteChanged(int /*index*/) {}      // the byte and its cell text
    virtual void markChanged(int /*index*/) {}
    virtual void captionChanged() {}                // caption or modified flag
    virtual void typeChanged() {}                   // memory-type code and description table
    virtual void checkModeChanged() {}
    virtual void selectedPanelChanged() {}
    virtual void decodedViewChanged() {}            // after every decodeByte
    virtual void decodeChanged() {}                 // larger images: summary, fields, CRC blocks, profiles
};

// How a document decodes its bytes: the 256-byte panel pair, field by field
// as bytes change, or the module decode of a larger image after every edit.
enum class ImageDecoder : std::uint8_t { PanelPair, Module };

// What differs between the kinds of image a document holds: how many bytes,
// the layout that names them, the decoder, the check modes the document keeps
// and the check bytes an edit rewrites, which bytes need the password and
// which bytes the date-code and security stamps write.
struct ImageRules {
    int size = kSpdSize;
    MemoryType layout = MemoryType::Unknown;  // names of the bytes; Unknown: the 256-byte tables
    ImageDecoder decoder = ImageDecoder::PanelPair;
    // The 256-byte document is driven operation by operation by its editor,
    // which keeps byte 63, bytes 126-127, the date code and the security
    // bytes; a larger one rewrites its CRC blocks after each edit itself.
    bool editsKeepCrcBlocks = false;
    // Bytes below this need the operator's password (the 256-byte image's
    // bytes 0-63); 0 where no byte does (a larger image's window edits its
    // identity and timings through forms and has no password gate).
    int passwordBytes = 0;
    // The check mode kept for `mode` (a larger image has no byte-63 checksum).
    [[nodiscard]] CheckMode keptMode(CheckMode mode) const;
    // The year byte the date-code stamp writes (BCD, the week in the next
    // byte) on an image of these bytes: where the image keeps its date of
    // manufacture, 120 on a DDR3 image (byte 2 = 0Bh) and 93 on every other
    // 256-byte image. None where the document offers no stamp.
    [[nodiscard]] std::optional<int> dateCodeByte(std::span<const std::uint8_t> bytes) const;
    // The byte the security stamp writes: 127, except on a DDR3 image, whose
    // byte 127 is the CRC's high byte. None where the document offers no stamp.
    [[nodiscard]] std::optional<int> securityByte(std::span<const std::uint8_t> bytes) const;
    [[nodiscard]] bool isStandard() const { return size == kSpdSize; }
};
// The rules for an image of `size` bytes (256, 512 or 1024).
[[nodiscard]] const ImageRules& ImageRulesFor(int size);

// One SPD image of 256, 512 or 1024 bytes with everything that belongs to it:
// memory-type code, description table, check mode, byte marks, modified flag,
// caption, the selected-byte panel and the decoded view (256 bytes) or its
// module decode (larger images). What differs by size is its ImageRules.
// Window-independent; windows, file commands, programmer commands and the
// wizard all work through its operations.
class SpdDocument
{
public:
    // A 256-byte image. context: the application-wide memory type and module
    // form of the image decoded last, which every decode reads and updates.
    explicit SpdDocument(DecodeContext& context, std::string caption = {});
    // A 512- or 1024-byte image by its type; a truncated DDR5 image keeps the
    // bytes that were read (bytes() is shorter than size()). Decoded with a
    // context of its own.
    SpdDocument(ImageData image, std::string caption);
    SpdDocument(const SpdDocument&) = delete;
    SpdDocument& operator=(const SpdDocument&) = delete;

    [[nodiscard]] const ImageRules& rules() const { return *m_rules; }
    [[nodiscard]] int size() const { return m_data.size; }
    [[nodiscard]] int bytesPresent() const { return static_cast<int>(m_data.bytes.size()); }
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return m_data.bytes; }
    [[nodiscard]] const ImageData& imageData() const { return m_data; }

    // --- Edit commands of a larger image ---
    // Stores a byte, marks it edited, sets the modified flag, then (check mode
    // CRC) rewrites every CRC block and marks their stored bytes, then decodes.
    // Indexes outside the bytes present are ignored.
    void editByte(int index, std::uint8_t value);
    // Writes value into bytes first..last (within the bytes present) as one edit.
    void fill(int first, int last, std::uint8_t value);
    // Writes values from `first` on (within the bytes present) as one edit,
    // as fill does; returns how many were written.
    int writeBytes(int first, std::span<const std::uint8_t> values);
    [[nodiscard]] const ModuleDecode& decode() const { return m_decode; }
    // The name of byte `index` in its size's layout ("tCKAVGmin (MTB)",
    // "Module Part Number (329-348)") for the selected-byte panel.
    [[nodiscard]] std::string byteName(int index) const;

    // The opening of a new window: all bytes 0 with byte 63 = their checksum,
    // DDR description table, code 0, check mode 0, everything plain, not
    // modified, then every byte decoded once.
    void open();

    // --- The document operations ---
    // Stores a byte and rewrites its cell. Nothing else: no check byte, mark,
    // modified flag or decode.
    void setByte(int index, std::uint8_t value);
    [[nodiscard]] std::uint8_t byte(int index) const;
    // Switches the description table; the selected-byte panel returns to byte 0.
    void setMemoryTypeCode(MemoryTypeCode code);
    [[nodiscard]] MemoryTypeCode memoryTypeCode() const { return m_typeCode; }
    // Byte 63 = sum of bytes 0-62 modulo 256; no mark, modified flag untouched.
    void updateChecksum();
    // Bytes 126 (low) and 127 (high) = CRC of the covered bytes, shown high byte
    // first in the CRC item, both cells marked edited.
    void updateCrc();
    void markGenerated(int index);  // marks the cell generated (green)
    void setModified(bool modified);
    // Refreshes the decoded text of the field of byte `index`.
    void decodeByte(int index);

    // --- Steps of the undo history ---
    // The values besides the bytes and their marks that an edit can change.
    struct Values {
        MemoryTypeCode typeCode = MemoryTypeCode::Sdr;
        CheckMode checkMode = CheckMode::Checksum;
        std::string crcValue;  // the CRC item
        bool modified = false;
        bool operator==(const Values&) const = default;
    };
    using Change = DocumentChange<Values>;
    // Starts noting what changes; endChange() returns it.
    void beginChange();
    [[nodiscard]] Change endChange();
    // Puts the document back as it was before `change` (undo) or after it,
    // telling the observers of what differs; the decoded texts become those
    // of a settled window on its bytes (settleView). The check mode only
    // changes when the change changed it.
    void applyChange(const Change& change, bool undo);

    // --- Bulk operations built on the above ---
    void decodeAll();                    // decodeByte(0) ... decodeByte(255)
    // A load: setByte + decodeByte for n = 0..255, then the memory-type
    // and check-mode rule of byte 2. Check bytes and modified flag stay as they are.
    void load(const SpdImage& image);
    void applyLoadTypeRule();
    // A whole image replaces the document's (a file opened into the window, a
    // read from the programmer, an import): the bytes, the memory-type code,
    // the description table, the check mode and every decoded text become
    // those of a window freshly opened on the image once it has settled
    // (OpenAndSettle, what `tessaro-cli decode` shows), and the marks are
    // cleared. The modified flag stays as it is.
    void loadWhole(const SpdImage& image);
    // Every decoded text (and the application-wide decode values) becomes
    // what a settled window on the current bytes shows; nothing else changes.
    // Texts of the other panel pair or a CRC caption left from an image
    // decoded before go.
    void settleView();

    // --- State ---
    [[nodiscard]] const SpdImage& image() const { return m_image; }
    [[nodiscard]] Mark mark(int index) const;
    void setMark(int index, Mark mark);
    // The edited marks go (a save: the file now holds those bytes).
    void clearEditedMarks();
    [[nodiscard]] bool isModified() const { return m_modified; }
    // The caption ends in "*" while modified; windows show captionWithoutMark()
    // and mark the title themselves.
    [[nodiscard]] const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption);  // a file name; keeps "*" while modified
    [[nodiscard]] std::string captionWithoutMark() const;
    [[nodiscard]] CheckMode checkMode() const { return m_checkMode; }
    void setCheckMode(CheckMode mode);
    [[nodiscard]] const std::string& description(int index) const;
    [[nodiscard]] const DecodedView& view() const { return m_view; }
    [[nodiscard]] DecodeContext& context() const { return m_context; }

    // The selected-byte panel: "Byte0", the description and the value digits.
    struct SelectedPanel {
        std::string byteCaption = "Byte0";
        std::string description;
        std::string value = "00";
    };
    [[nodiscard]] const SelectedPanel& selectedPanel() const { return m_panel; }
    void showInPanel(int index, bool spaced = false);  // "Byte37" or, spaced, "Byte 37"

    void addObserver(SpdDocumentObserver* observer);
    void removeObserver(SpdDocumentObserver* observer);

private:
    // A window freshly opened on `image` and settled, decoded with a context of its own.
    struct Settled;
    [[nodiscard]] static Settled SettledOn(const SpdImage& image);
    [[nodiscard]] Values values() const;
    void takeView(const Settled& settled);

    template <typename F>
    void notify(F f)
    {
        for (SpdDocumentObserver* o : m_observers)
            (o->*f)();
    }
    template <typename F>
    void notify(F f, int index)
    {
        for (SpdDocumentObserver* o : m_observers)
            (o->*f)(index);
    }

    // Every byte of the image is written here, and nowhere else.
    void store(int index, std::uint8_t value);
    // The modified flag and the caption's "*", telling no observer.
    void storeModified(bool modified);

    const ImageRules* m_rules;
    DecodeContext m_ownContext;  // a larger image's
    DecodeContext& m_context;
    ImageData m_data;            // every byte
    SpdImage m_image{};          // bytes 0-255 of m_data, for the 256-byte callers
    std::vector<Mark> m_marks;
    ModuleDecode m_decode;       // a larger image's
    MemoryTypeCode m_typeCode = MemoryTypeCode::Sdr;
    const DescriptionTable* m_descriptions;
    CheckMode m_checkMode = CheckMode::Checksum;
    bool m_modified = false;
    std::string m_caption;
    SelectedPanel m_panel;
    DecodedView m_view;
    bool m_viewUntouched = true;  // no byte decoded into the view yet
    std::vector<SpdDocumentObserver*> m_observers;
    ChangeJournal m_journal;
    Values m_valuesBefore;
    // The start and the result of the last decodeAll.
    struct DecodeAllPass {
        bool valid = false;
        SpdImage image{};
        DecodeContext contextIn;
        DecodedView viewIn;
        DecodeContext contextOut;
        DecodedView viewOut;
    };
    DecodeAllPass m_lastDecodeAll;
};

}  // namespace tessaro
