#pragma once

#include "document/documenteditor.h"
#include "document/spddocument.h"
#include "document/spddocument.h"
#include "documentwindow/bytegrid.h"
#include "documentwindow/markcolours.h"

namespace tessaro {

// The cells of the 256-byte window's grid: the document's bytes and marks,
// and the red texts, the highlighted row and the selected byte of its editor.
class EditorCells final : public GridCells
{
public:
    explicit EditorCells(DocumentEditor& editor) : m_editor(editor) {}
    [[nodiscard]] int count() const override { return kSpdSize; }
    [[nodiscard]] int byteAt(int index) const override
    {
        return m_editor.document().image()[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] QColor background(int index, const QColor& plain) const override
    {
        return MarkColour(m_editor.document().mark(index), plain);
    }
    [[nodiscard]] bool redText(int index) const override { return m_editor.cellText(index) == CellText::Red; }
    [[nodiscard]] int highlightedRow() const override { return m_editor.highlightedRow(); }
    [[nodiscard]] int currentByte() const override { return m_editor.currentByte(); }
    void setCurrentByte(int index) override { m_editor.selectByte(index); }

private:
    DocumentEditor& m_editor;
};

// The cells of a 512- or 1024-byte image's grid: the bytes it holds ("--"
// for those a truncated image lacks) and their marks.
class ModuleCells final : public GridCells
{
public:
    explicit ModuleCells(const SpdDocument& document) : m_document(document) {}
    [[nodiscard]] int count() const override { return m_document.size(); }
    [[nodiscard]] int byteAt(int index) const override
    {
        return index < m_document.bytesPresent() ? m_document.bytes()[static_cast<std::size_t>(index)] : -1;
    }
    [[nodiscard]] QColor background(int index, const QColor& plain) const override
    {
        return MarkColour(m_document.mark(index), plain);
    }

private:
    const SpdDocument& m_document;
};

}  // namespace tessaro
