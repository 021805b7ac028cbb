#include "app/documentmanager.h"

#include "app/messages.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "document/appvalues.h"
#include "files/spdfile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUndoStack>
#include <QStringList>

#include <algorithm>
#include <functional>

#include <unistd.h>

namespace tessaro {

namespace {
// The window property that remembers a file's bytes after its image: its path and the count.
constexpr const char* kBytesAfterImageProperty = "tessaroBytesAfterImage";

// Dialog filters: shown name and pattern of each choice, in order.
struct Filter {
    const char* name;
    const char* suffix;  // added to a name typed without one; empty for "All Files"
};
const Filter kOpenFilters[] = {
    {"Korvalen SPD Files (*.spd)", "spd"},
    {"Bin Files (*.bin)", "bin"},
    {"All Files (*.*)", ""},
};
// Open: both kinds of SPD file together first, then the choices Save offers.
const Filter kOpenManyFilters[] = {
    {"SPD files (*.spd *.bin)", "spd"},
    {"Korvalen SPD Files (*.spd)", "spd"},
    {"Bin Files (*.bin)", "bin"},
    {"All Files (*.*)", ""},
};
const Filter kDumpFilters[] = {
    {"Hex dumps (*.txt *.hex *.dump)", "txt"},
    {"All Files (*.*)", ""},
};
const Filter kSaveAsFilters[] = {
    {"Korvalen SPD Files (*.spd)", "spd"},
    {"Apacer SPD Files (*.*)", ""},
    {"Bin Files (*.bin)", "bin"},
    {"All Files (*.*)", ""},
};

QString g_lastDirectory;

// A file dialog whose default suffix is the one of the filter chosen when the
// name is accepted, however the filter was chosen.
class SuffixFileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;
    std::function<QString(const QString& filter)> suffixOfFilter;

    // The files chosen, when a name that is not UTF-8 was among them.
    QStringList resolved;

    void accept() override
    {
        if (suffixOfFilter)
            setDefaultSuffix(suffixOfFilter(selectedNameFilter()));
        const QStringList shown = selectedFiles();
        if (std::none_of(shown.begin(), shown.end(), [](const QString& name) { return name.contains(QChar(0xFFFD)); })) {
            QFileDialog::accept();
            return;
        }
        // The dialog shows a name that is not UTF-8 with U+FFFD in it, and its
        // own checks would look for a file of that shown name: the file it
        // stands for is looked up here, and one that cannot be told from
        // another is refused.
        QStringList files;
        for (const QString& name : shown) {
            const QString file = ResolveDialogFileName(name);
            if (file.isEmpty()) {
                ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle),
                              tr("*****   無法分辨檔案 !   *****\n\n%1\n資料夾中有多個檔案的名稱顯示相同，請更名後再試。")
                                  .arg(name));
                return;
            }
            const bool exists = ::access(FileNameBytes(file).constData(), F_OK) == 0;
            if (acceptMode() == AcceptSave && exists &&
                QMessageBox::question(this, windowTitle(), tr("%1 已存在。\n要取代它嗎？").arg(name)) != QMessageBox::Yes)
                return;
            if (acceptMode() == AcceptOpen && !exists)
                return;
            files << file;
        }
        resolved = files;
        QDialog::accept();
    }
};

// Shows a file dialog; returns the chosen names (none when cancelled; at
// most one unless several may be chosen) and the 1-based number of the filter
// that was chosen.
template <std::size_t N>
QStringList AskFileNames(QWidget* parent, const char* title, const Filter (&filters)[N], bool saving, bool several,
                         int* chosen)
{
    SuffixFileDialog dialog(parent, QString::fromUtf8(title), g_lastDirectory);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Saving over an existing file asks first (the dialog's own confirmation).
    dialog.setFileMode(saving ? QFileDialog::AnyFile : several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QStringList names;
    for (const Filter& f : filters)
        names << QString::fromLatin1(f.name);
    dialog.setNameFilters(names);
    dialog.selectNameFilter(names.first());
    auto suffixFor = [&](const QString& name) {
        const auto i = static_cast<std::size_t>(std::max<qsizetype>(0, names.indexOf(name)));
        return QString::fromLatin1(filters[i].suffix);
    };
    if (saving)
        dialog.suffixOfFilter = suffixFor;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosen != nullptr)
        *chosen = static_cast<int>(names.indexOf(dialog.selectedNameFilter())) + 1;
    g_lastDirectory = dialog.directory().absolutePath();
    const QStringList files = dialog.resolved.isEmpty() ? dialog.selectedFiles() : dialog.resolved;
    return several ? files : files.mid(0, 1);
}

template <std::size_t N>
QString AskFileName(QWidget* parent, const char* title, const Filter (&filters)[N], bool saving, int* chosen)
{
    const QStringList names = AskFileNames(parent, title, filters, saving, false, chosen);
    return names.isEmpty() ? QString() : names.first();
}

SpdFormat FormatOfName(const QString& name)
{
    return FormatForName(FileNameString(name));
}
}  // namespace

DocumentManager::DocumentManager(AppValues& app, SettingsStore& settings, DocumentHost& host, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_settings(settings)
    , m_host(host)
    , m_readFile(ReadImageFileContents)
{
}

void DocumentManager::track(QWidget* window)
{
    m_tracked.push_back({window, QString(), false});
    connect(window, &QObject::destroyed, this, [this](QObject* gone) {
        std::erase_if(m_tracked, [gone](const Tracked& t) { return t.window.isNull() || t.window == gone; });
    });
}

void DocumentManager::setSource(QWidget* window, const QString& source, bool isFile)
{
    for (Tracked& t : m_tracked) {
        if (t.window == window) {
            t.source = source;
            t.isFile = isFile;
        }
    }
}

const DocumentManager::Tracked* DocumentManager::entryOf(const QWidget* window) const
{
    const auto it = std::find_if(m_tracked.begin(), m_tracked.end(), [window](const Tracked& t) { return t.window == window; });
    return it == m_tracked.end() ? nullptr : &*it;
}

bool DocumentManager::isUntitled(const QWidget* window) const
{
    const Tracked* entry = entryOf(window);
    return entry == nullptr || entry->source.isEmpty();
}

QWidget* DocumentManager::findOpen(const QString& source, bool isFile) const
{
    for (const Tracked& t : m_tracked) {
        if (t.window.isNull() || t.source.isEmpty() || t.isFile != isFile)
            continue;
        // A closed window waits for its deletion in a hidden frame.
        if (const QWidget* frame = t.window->parentWidget(); frame != nullptr && frame->isHidden())
            continue;
        if (isFile ? SameFile(t.source, source) : t.source == source)
            return t.window;
    }
    return nullptr;
}

QList<QWidget*> DocumentManager::windows() const
{
    QList<QWidget*> result;
    for (const Tracked& t : m_tracked) {
        if (!t.window.isNull())
            result.append(t.window);
    }
    return result;
}

bool DocumentManager::showIfOpen(const QString& source, bool isFile)
{
    QWidget* open = findOpen(source, isFile);
    if (open == nullptr)
        return false;
    m_host.activateWidget(open);
    // The list names the file the window shows, however it was reached.
    recordRecentFile(entryOf(open)->source);
    return true;
}

void DocumentManager::restoreRecentFiles()
{
    m_recent.restore(m_settings);
    emit recentFilesChanged();
}

void DocumentManager::recordRecentFile(const QString& path)
{
    // Stored absolute, so that an entry opens the same file whatever the
    // working folder of a later start.
    m_recent.add(AbsoluteFileName(path));
    m_recent.save(m_settings);
    emit recentFilesChanged();
}

void DocumentManager::showCheckMismatch(const QString& text)
{
    if (!text.isEmpty())
        m_host.showStatus(text);
}

QWidget* DocumentManager::openUntitledImage(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != kSpdSize) {
        ImageData image;
        image.size = static_cast<int>(bytes.size());
        image.bytes.assign(bytes.begin(), bytes.end());
        ++m_app.documentCount;
        ModuleDocumentWindow* window =
            m_host.openModuleDocument(std::move(image), QStringLiteral("SPD_File %1").arg(m_app.documentCount));
        window->document().setModified(true);
        return window;
    }
    SpdImage image{};
    std::copy_n(bytes.begin(), kSpdSize, image.begin());
    DocumentWindow* target = m_host.newDocument();
    target->document().loadWhole(image);
    target->document().setModified(true);
    target->refreshNow();
    return target;
}

void DocumentManager::loadInto(DocumentWindow* window, const QString& source, bool isFile, const SpdImage& image)
{
    SpdDocument& doc = window->document();
    window->setProperty(kBytesAfterImageProperty, QVariant());  // until the file's own count is noted
    doc.setCaption(FileNameString(source));
    setSource(window, source, isFile);
    // Into a window with a history the load is a step that can be taken back;
    // into a fresh one it is part of the opening. Either way the bytes are
    // then those of the file.
    if (window->undoStack()->count() > 0)
        window->recordStep(QString::fromUtf8("載入檔案"), [&] { doc.loadWhole(image); });
    else
        doc.loadWhole(image);
    window->markClean();
    window->refreshNow();
    showCheckMismatch(window->checkMismatchText());
}

void DocumentManager::openFile()
{
    // Each chosen file opens as if it had been chosen alone.
    for (const QString& name : AskFileNames(m_host.dialogParent(), "開啟舊檔", kOpenManyFilters, false, true, nullptr))
        openPath(name);
}

std::optional<DocumentManager::FileImage> DocumentManager::readAnyImage(const QString& path)
{
    const std::string file = FileNameString(path);
    const InputFormat format = InputFormatForFileName(file);
    // One read of the file; its contents are made an image by the size its
    // type names, or else as the first 256 bytes.
    const FileContents contents = m_readFile(file, format);
    ImageRead read = ImageFromFileContents(contents, file, format);
    FileImage result;
    if (!read.ok()) {
        // A file too short for the type its byte 2 names still opens as the
        // 256-byte image it always opened as; the reader says why otherwise.
        read = ImageFromFileContents(contents, file, format, ImageSizeRule::First256);
        if (!read.ok()) {
            ui::ShowError(m_host.dialogParent(), QString::fromUtf8(ui::kDeviceErrorTitle),
                          QStringLiteral("*****   無法開啟檔案 !   *****\n\n%1\n%2")
                              .arg(path, QString::fromStdString(read.error)));
            return std::nullopt;
        }
        std::copy_n(read.image.bytes.begin(), kSpdSize, result.page.begin());
        return result;
    }
    result.bytesAfterImage = read.bytesAfterImage;
    if (read.image.size != kSpdSize)
        result.larger = std::move(read.image);
    else
        std::copy_n(read.image.bytes.begin(), kSpdSize, result.page.begin());
    return result;
}

void DocumentManager::openLargerImage(FileImage&& read, const QString& path)
{
    ModuleDocumentWindow* window = m_host.openModuleDocument(std::move(read.larger), path);
    setSource(window, path, true);
    noteBytesAfterImage(window, path, read.bytesAfterImage);
}

void DocumentManager::openPath(const QString& name)
{
    // A window carries the full path of its file, however it was named.
    const QString path = AbsoluteFileName(name);
    if (showIfOpen(path))
        return;
    // A 512- or 1024-byte image opens in a window of its own; every other
    // file opens as it always has, into a 256-byte document.
    std::optional<FileImage> read = readAnyImage(path);
    if (!read)
        return;
    // An untitled window that holds nothing of the operator's makes room for
    // the file: a 256-byte image goes into it, a larger one takes its place.
    DocumentWindow* blank = m_host.activeDocument();
    if (blank != nullptr && (blank->document().isModified() || !isUntitled(blank)))
        blank = nullptr;
    if (!read->larger.bytes.empty()) {
        openLargerImage(std::move(*read), path);
        if (blank != nullptr)
            m_host.closeDocumentWindow(blank);
    } else {
        DocumentWindow* target = blank != nullptr ? blank : m_host.newDocument();
        loadInto(target, path, true, read->page);
        m_host.activateWidget(target);
        noteBytesAfterImage(target, path, read->bytesAfterImage);
    }
    recordRecentFile(path);
}

void DocumentManager::openRecentFile(int index)
{
    if (index < 1 || index > 3)
        return;
    const QString name = m_recent.entry(index).caption;
    if (showIfOpen(name))
        return;
    std::optional<FileImage> read = readAnyImage(name);
    if (!read)
        return;  // the window keeps what it shows; no file is created
    if (!read->larger.bytes.empty()) {
        openLargerImage(std::move(*read), name);
    } else {
        DocumentWindow* target = m_host.activeDocument();
        if (target == nullptr)
            target = m_host.newDocument();
        loadInto(target, name, true, read->page);
        noteBytesAfterImage(target, name, read->bytesAfterImage);
    }
    recordRecentFile(name);
}

void DocumentManager::importHexDump()
{
    const QString name = AskFileName(m_host.dialogParent(), "匯入十六進位傾印", kDumpFilters, false, nullptr);
    if (name.isEmpty())
        return;
    ImageRead read = ReadImageFile(FileNameString(name), InputFormat::Dump);
    if (!read.ok()) {
        ui::ShowError(m_host.dialogParent(), QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法開啟檔案 !   *****\n\n%1\n%2").arg(name, QString::fromStdString(read.error)));
        return;
    }
    // The dump is not an SPD file: the document is untitled until it is saved.
    if (read.image.size != kSpdSize) {
        ++m_app.documentCount;
        ModuleDocumentWindow* window =
            m_host.openModuleDocument(std::move(read.image), QStringLiteral("SPD_File %1").arg(m_app.documentCount));
        window->document().setModified(true);
        return;
    }
    SpdImage image{};
    std::copy_n(read.image.bytes.begin(), kSpdSize, image.begin());
    DocumentWindow* target = m_host.newDocument();
    target->document().loadWhole(image);
    target->document().setModified(true);
    target->refreshNow();
}

bool DocumentManager::mayWrite()
{
    if (m_app.operatorAuthorized)
        return true;
    ui::ShowError(m_host.dialogParent(), QString::fromUtf8(ui::kAccessErrorTitle),
                  QStringLiteral("      *****   權限不足無法存檔,請洽管理人員 !   *****      "));
    return false;
}

void DocumentManager::saveFile()
{
    if (ModuleDocumentWindow* module = m_host.activeModuleDocument()) {
        saveModuleDocument(module, false);
        return;
    }
    saveDocument(m_host.activeDocument());
}

bool DocumentManager::saveModuleDocument(ModuleDocumentWindow* window, bool askName)
{
    if (!mayWrite())
        return false;
    // Untitled, or named after something that is no file: asked for a name.
    const Tracked* entry = entryOf(window);
    QString name = entry != nullptr && entry->isFile ? entry->source : QString();
    if (askName || name.isEmpty()) {
        m_host.activateWidget(window);
        name = askName ? AskFileName(m_host.dialogParent(), "另存新檔", kSaveAsFilters, true, nullptr)
                       : AskFileName(m_host.dialogParent(), "儲存", kOpenFilters, true, nullptr);
        if (name.isEmpty())
            return false;
    }
    if (!confirmDroppingBytesAfterImage(window, name))
        return false;
    QString error;
    if (!WriteImageFile(name, window->document().bytes(), FormatOfName(name), &error)) {
        ui::ShowError(m_host.dialogParent(), QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法儲存檔案 !   *****\n\n%1\n%2").arg(name, error));
        return false;
    }
    window->setProperty(kBytesAfterImageProperty, QVariant());
    window->document().setCaption(FileNameString(name));
    setSource(window, name, true);
    window->document().clearEditedMarks();
    window->document().setModified(false);
    // Save As names a file the operator may want again; Save does not touch the list.
    if (askName)
        recordRecentFile(name);
    return true;
}

bool DocumentManager::saveDocument(DocumentWindow* window)
{
    if (!mayWrite())
        return false;
    if (window == nullptr)
        return false;
    const Tracked* entry = entryOf(window);
    QString name = entry != nullptr ? entry->source : QString();
    if (name.isEmpty()) {
        m_host.activateWidget(window);
        name = AskFileName(m_host.dialogParent(), "儲存", kOpenFilters, true, nullptr);
        if (name.isEmpty())
            return false;
    }
    // The format the name will be read back in.
    return writeDocument(window, name, FormatOfName(name) == SpdFormat::Text);
}

void DocumentManager::saveFileAs()
{
    if (!mayWrite())
        return;
    if (ModuleDocumentWindow* module = m_host.activeModuleDocument()) {
        saveModuleDocument(module, true);
        return;
    }
    DocumentWindow* window = m_host.activeDocument();
    if (window == nullptr)
        return;
    const QString name = AskFileName(m_host.dialogParent(), "另存新檔", kSaveAsFilters, true, nullptr);
    if (name.isEmpty())
        return;
    // The name decides the format, by the rule that reads it back: a name
    // ending in "spd" is text, any other binary. The chosen filter only
    // supplies the suffix of a name typed without one, so a file never reads
    // back as something other than what was saved.
    if (writeDocument(window, name, FormatOfName(name) == SpdFormat::Text))
        recordRecentFile(name);
}

void DocumentManager::noteBytesAfterImage(QWidget* window, const QString& path, std::uint64_t count)
{
    if (window == nullptr || count == 0)
        return;
    window->setProperty(kBytesAfterImageProperty, QVariantList{path, QVariant::fromValue<qulonglong>(count)});
    m_host.showStatus(tr("%1：映像之後還有 %2 個位元組，儲存時只寫入映像，這些位元組會被捨棄")
                          .arg(QFileInfo(path).fileName())
                          .arg(count));
}

bool DocumentManager::confirmDroppingBytesAfterImage(QWidget* window, const QString& path)
{
    const QVariantList noted = window->property(kBytesAfterImageProperty).toList();
    if (noted.size() != 2 || QFileInfo(noted[0].toString()).absoluteFilePath() != QFileInfo(path).absoluteFilePath())
        return true;
    m_host.activateWidget(window);
    const QMessageBox::StandardButton answer = QMessageBox::question(
        m_host.dialogParent(), tr("儲存"),
        tr("%1 在映像之後還有 %2 個位元組。\n儲存只寫入映像，這些位元組會被捨棄。是否儲存 ?")
            .arg(path)
            .arg(noted[1].toULongLong()));
    return answer == QMessageBox::Yes;
}

bool DocumentManager::writeDocument(DocumentWindow* window, const QString& path, bool textFormat)
{
    if (!confirmDroppingBytesAfterImage(window, path))
        return false;
    SpdDocument& doc = window->document();
    SpdImage image{};
    for (int i = 0; i < kSpdSize; ++i)
        image[static_cast<std::size_t>(i)] = doc.byte(i);
    QString error;
    if (!WriteSpdFile(path, image, textFormat ? SpdFormat::Text : SpdFormat::Binary, &error)) {
        // Caption, modified flag and the old file all stay as they were.
        ui::ShowError(m_host.dialogParent(), QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法儲存檔案 !   *****\n\n%1\n%2").arg(path, error));
        return false;
    }
    window->setProperty(kBytesAfterImageProperty, QVariant());
    doc.setCaption(FileNameString(path));
    setSource(window, path, true);
    doc.clearEditedMarks();  // the file holds these bytes now
    doc.setModified(false);
    return true;
}

}  // namespace tessaro
