#pragma once

#include "core/bytesearch.h"

#include <QObject>
#include <QString>

#include <vector>

class QWidget;

namespace tessaro {

class ByteGrid;

// Find and go to in a document window's grid. Ctrl+F asks for hex bytes
// ("4D 54", "4d54") or text in a small dialog and selects the first match at
// or after the selected byte; F3 and Shift+F3 find the next and the previous
// one, going round the end or the start with a status message; Ctrl+G asks
// for an offset in hex as the grid shows it ("1A2", "1A2h", "0x1A2"). A match
// is selected as a range and scrolled into view. Only the bytes an image holds
// are searched.
class GridFind : public QObject
{
    Q_OBJECT
public:
    // The keys work while the focus is anywhere in `window`.
    GridFind(ByteGrid* grid, QWidget* window);

    void askAndFind();     // Ctrl+F
    void askAndGoTo();     // Ctrl+G
    // Searches from the selected byte on; false (with a status message) when
    // the text is no pattern or is not found.
    bool find(const QString& text, FindKind kind);
    // F3 (Shift+F3: backward) from the match or byte selected; asks first
    // when nothing was searched for yet.
    bool findNext(bool backward);
    // Selects the byte at a typed offset; false, with a status message, when
    // the text is no offset of the image.
    bool goTo(const QString& text);

signals:
    void statusMessage(const QString& text);

private:
    [[nodiscard]] std::vector<std::uint8_t> presentBytes() const;
    bool search(int from, bool backward);

    ByteGrid* m_grid;
    QWidget* m_window;
    QString m_text;  // the last text searched for, as typed
    FindKind m_kind = FindKind::Hex;
    std::vector<std::uint8_t> m_pattern;
};

}  // namespace tessaro
