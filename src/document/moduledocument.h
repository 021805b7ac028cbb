#pragma once

#include "core/spdimage.h"
#include "document/bytechanges.h"
#include "decode/moduledecode.h"
#include "files/imageformat.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessaro {

class ModuleDocument;

// Told about every change of a module document; a window is one of these.
class ModuleDocumentObserver
{
public:
    virtual ~ModuleDocumentObserver() = default;
    virtual void byteChanged(int /*index*/) {}  // the byte, its cell text and mark
    virtual void captionChanged() {}            // caption or modified flag
    virtual void decodeChanged() {}             // summary, fields, CRC blocks, profiles
};

// A 512- or 1024-byte SPD image (DDR4, DDR5 and their low-power kinds) open in
// the workstation: its bytes, cell marks, modified flag, caption, the check
// mode (CRC: every CRC block of the image follows each edit; None: they stay),
// and its decode. The 256-byte document is SpdDocument; this one follows the
// same habits without the 256-byte window's date code, security option and
// programmer.
class ModuleDocument
{
public:
    // image: 512 or 1024 bytes by its type; a truncated DDR5 image keeps the
    // bytes that were read (bytes() is shorter than size()).
    ModuleDocument(ImageData image, std::string caption);

    [[nodiscard]] int size() const { return m_image.size; }
    [[nodiscard]] int bytesPresent() const { return static_cast<int>(m_image.bytes.size()); }
    [[nodiscard]] const std::vector<std::uint8_t>& bytes() const { return m_image.bytes; }
    [[nodiscard]] const ImageData& image() const { return m_image; }
    [[nodiscard]] std::uint8_t byte(int index) const;

    // Stores a byte, marks it edited, sets the modified flag, then (check mode
    // CRC) rewrites every CRC block and marks their stored bytes, then decodes.
    // Indexes outside the bytes present are ignored.
    void setByte(int index, std::uint8_t value);
    // Writes value into bytes first..last (within the bytes present) as one edit.
    void fill(int first, int last, std::uint8_t value);
    // Writes values from `first` on (within the bytes present) as one edit,
    // as fill does; returns how many were written.
    int writeBytes(int first, std::span<const std::uint8_t> values);

    [[nodiscard]] CheckMode checkMode() const { return m_checkMode; }  // Crc or None
    void setCheckMode(CheckMode mode);

    // --- Steps of the undo history, as SpdDocument's ---
    struct Values {
        CheckMode checkMode = CheckMode::Crc;
        bool modified = false;
        bool operator==(const Values&) const = default;
    };
    using Change = DocumentChange<Values>;
    void beginChange();
    [[nodiscard]] Change endChange();
    // Puts the document back as it was before `change` (undo) or after it.
    void applyChange(const Change& change, bool undo);

    [[nodiscard]] Mark mark(int index) const;
    // The edited marks go (a save: the file now holds those bytes).
    void clearEditedMarks();
    [[nodiscard]] bool isModified() const { return m_modified; }
    void setModified(bool modified);
    [[nodiscard]] const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption);

    [[nodiscard]] const ModuleDecode& decode() const { return m_decode; }
    // The name of byte `index` in its generation's layout ("tCKAVGmin (MTB)",
    // "Module Part Number (329-348)") for the selected-byte panel.
    [[nodiscard]] std::string byteName(int index) const;

    void addObserver(ModuleDocumentObserver* observer);
    void removeObserver(ModuleDocumentObserver* observer);

private:
    ImageData m_image;
    std::vector<Mark> m_marks;
    CheckMode m_checkMode = CheckMode::Crc;
    bool m_modified = false;
    std::string m_caption;
    ModuleDecode m_decode;
    std::vector<ModuleDocumentObserver*> m_observers;
    ChangeJournal m_journal;
    Values m_valuesBefore;
};

}  // namespace tessaro
