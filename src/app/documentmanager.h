#pragma once

#include "core/spdimage.h"
#include "files/imagefile.h"
#include "files/recentfiles.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QWidget;

namespace tessaro {

class DocumentWindow;
class ModuleDocumentWindow;
class SettingsStore;
struct AppValues;

// What the document manager needs of the window that shows the documents:
// making and finding document windows, bringing one forward, closing one,
// the status line and a parent for dialogs. The main window is the host.
class DocumentHost
{
public:
    virtual ~DocumentHost() = default;
    [[nodiscard]] virtual QWidget* dialogParent() = 0;
    virtual DocumentWindow* newDocument() = 0;
    virtual ModuleDocumentWindow* openModuleDocument(ImageData image, const QString& caption) = 0;
    [[nodiscard]] virtual DocumentWindow* activeDocument() const = 0;
    [[nodiscard]] virtual ModuleDocumentWindow* activeModuleDocument() const = 0;
    virtual void activateWidget(QWidget* window) = 0;
    virtual void closeDocumentWindow(QWidget* window) = 0;
    virtual void showStatus(const QString& text) = 0;
};

// The files behind the document windows: open, save, save as, import of a
// hex dump, the recent files, and which window holds a file. Every window of
// either kind is tracked with its source: the file it was opened from or
// saved to, a name that is no file (a module of this computer), or nothing
// (untitled). A file is open when a window's file is the same file (device
// and inode; the absolute name when either is gone), whatever name reached it.
class DocumentManager : public QObject
{
    Q_OBJECT
public:
    DocumentManager(AppValues& app, SettingsStore& settings, DocumentHost& host, QObject* parent = nullptr);

    // A new window of either kind, untitled until a source is set.
    void track(QWidget* window);
    // The window's source: a file (an absolute name) or a name that is no file.
    void setSource(QWidget* window, const QString& source, bool isFile);
    // The tracked window that holds `source` (a file by identity, another
    // name exactly); nullptr when none does.
    [[nodiscard]] QWidget* findOpen(const QString& source, bool isFile = true) const;
    // The tracked windows, in the order they were made.
    [[nodiscard]] QList<QWidget*> windows() const;

    // A source already open in a window: that window comes to the front and
    // the name it was opened as to the top of the recent files; nothing is read.
    bool showIfOpen(const QString& source, bool isFile = true);

    void openFile();                      // "開啟舊檔": asks for names
    void openPath(const QString& path);   // Open after its dialog
    void openRecentFile(int index);       // recent-file entry 1-3
    void importHexDump();                 // "匯入十六進位傾印…"
    void saveFile();                      // "儲存檔案" on the active window
    void saveFileAs();                    // "另存新檔" on the active window
    bool saveDocument(DocumentWindow* window);  // false when nothing was written
    bool saveModuleDocument(ModuleDocumentWindow* window, bool askName);
    // An image that is no file (a logged image, a module read by the SPD
    // reader/writer) in a new untitled window of its size, modified until it
    // is saved; returns that window.
    QWidget* openUntitledImage(std::span<const std::uint8_t> bytes);
    // An image into a 256-byte window as the contents of `source`.
    void loadInto(DocumentWindow* window, const QString& source, bool isFile, const SpdImage& image);

    [[nodiscard]] RecentFileList& recentFiles() { return m_recent; }
    void restoreRecentFiles();

    // How a file is read (once per open): by default ReadImageFileContents.
    using FileReader = std::function<FileContents(const std::string& path, InputFormat format)>;
    void setFileReader(FileReader reader) { m_readFile = std::move(reader); }

signals:
    void recentFilesChanged();

private:
    struct Tracked {
        QPointer<QWidget> window;
        QString source;  // empty: untitled
        bool isFile = false;
    };
    [[nodiscard]] const Tracked* entryOf(const QWidget* window) const;
    [[nodiscard]] bool isUntitled(const QWidget* window) const;
    void recordRecentFile(const QString& path);
    // A file's image: a 512- or 1024-byte one in `larger`, any other in
    // `page`; bytesAfterImage: how many bytes the file holds after the image
    // (the first Save drops them).
    struct FileImage {
        ImageData larger;
        SpdImage page{};
        std::uint64_t bytesAfterImage = 0;
    };
    // Reads a file once; nothing, with the message shown, when it cannot be read.
    std::optional<FileImage> readAnyImage(const QString& path);
    // Opens a larger image read from `path` in a window of its own.
    void openLargerImage(FileImage&& read, const QString& path);
    // A window opened on a file with bytes after its image says so in the
    // status bar and remembers it; saving over that file asks first, once.
    void noteBytesAfterImage(QWidget* window, const QString& path, std::uint64_t count);
    [[nodiscard]] bool confirmDroppingBytesAfterImage(QWidget* window, const QString& path);
    bool writeDocument(DocumentWindow* window, const QString& path, bool textFormat);
    void showCheckMismatch(const QString& text);
    [[nodiscard]] bool mayWrite();

    AppValues& m_app;
    SettingsStore& m_settings;
    DocumentHost& m_host;
    RecentFileList m_recent;
    std::vector<Tracked> m_tracked;
    FileReader m_readFile;
};

}  // namespace tessaro
