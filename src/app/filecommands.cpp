// The file commands of the main window: New is in mainwindow.cpp; Open, Save,
// Save As and the recent-file entries are here.
#include "app/mainwindow.h"

#include "app/messages.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "documentwindow/programmerpanel.h"
#include "files/filename.h"
#include "files/imagefile.h"
#include "files/settingsstore.h"
#include "files/spdfile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QUndoStack>
#include <QStatusBar>
#include <QStringList>

#include <algorithm>
#include <functional>

#include <unistd.h>

namespace tessaro {

namespace {
constexpr const char* kUntitledPrefix = "SPD_File";
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

DocumentWindow* MainWindow::findDocument(const QString& path) const
{
    for (DocumentWindow* w : documents()) {
        if (FileNameFromBytes(w->document().captionWithoutMark()) == path)
            return w;
    }
    return nullptr;
}

bool MainWindow::showIfOpen(const QString& path)
{
    if (DocumentWindow* open = findDocument(path)) {
        activate(open);
    } else {
        const QList<ModuleDocumentWindow*> modules = moduleDocuments();
        const auto it = std::find_if(modules.begin(), modules.end(), [&](ModuleDocumentWindow* w) {
            return FileNameFromBytes(w->document().caption()) == path;
        });
        if (it == modules.end())
            return false;
        activateWidget(*it);
    }
    recordRecentFile(path);
    return true;
}

void MainWindow::recordRecentFile(const QString& path)
{
    // Stored absolute, so that an entry opens the same file whatever the
    // working folder of a later start.
    m_recent.add(AbsoluteFileName(path));
    m_recent.save(m_settings);
    updateRecentFileActions();
}

bool MainWindow::readImage(const QString& path, SpdImage& image)
{
    QString error;
    if (ReadSpdFile(path, image, &error))
        return true;
    ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle),
                  QStringLiteral("*****   無法開啟檔案 !   *****\n\n%1\n%2").arg(path, error));
    return false;
}

void MainWindow::loadInto(DocumentWindow* window, const QString& path, const SpdImage& image)
{
    SpdDocument& doc = window->document();
    window->setProperty(kBytesAfterImageProperty, QVariant());  // until the file's own count is noted
    doc.setCaption(FileNameString(path));
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

void MainWindow::openFile()
{
    // Each chosen file opens as if it had been chosen alone.
    for (const QString& name : AskFileNames(this, "開啟舊檔", kOpenManyFilters, false, true, nullptr))
        openPath(name);
}

ModuleDocumentWindow* MainWindow::openModuleDocument(ImageData image, const QString& caption)
{
    auto* window = new ModuleDocumentWindow(std::move(image), caption);
    window->document().setCaption(FileNameString(caption));  // every byte of a file's name
    window->setSaveHandler([this](ModuleDocumentWindow* w) { return saveModuleDocument(w, false); });
    // The programmer column as the 256-byte window has it; every button of it
    // says why it sends nothing for this image.
    auto* programmer = new ProgrammerPanel(m_app);
    programmer->setAuthorized(m_app.operatorAuthorized);
    programmer->setTestFramesVisible(false);  // the test frames and pins are those of 256-byte modules
    const auto refuse = [this, window] {
        ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle), window->programmerRefusal());
    };
    connect(programmer, &ProgrammerPanel::commandClicked, window, [this, window, refuse](DeviceCommand command) {
        if (command != DeviceCommand::ReadModule && command != DeviceCommand::ReadTester) {
            refuse();
            return;
        }
        // A read gives 256 bytes: asked first, it goes into a new 256-byte
        // window and this image stays as it is.
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QString::fromUtf8(ui::kDeviceErrorTitle),
            QStringLiteral("讀取的 SPD 只有 256 位元組，將開啟新視窗存放，這份 %1 位元組的映像不變。是否繼續 ?\n"
                           "The read gives 256 bytes: it opens in a new window and this %1-byte image stays as it is. Go on?")
                .arg(window->document().size()));
        if (answer != QMessageBox::Yes)
            return;
        newDocument();
        runDeviceCommand(command);
    });
    connect(programmer, &ProgrammerPanel::autoSerialClicked, window, refuse);
    connect(programmer, &ProgrammerPanel::testFlagPressed, window, refuse);
    window->setProgrammerColumn(programmer);
    addDocumentSubWindow(window);
    connect(window, &ModuleDocumentWindow::statusMessage, statusBar(), [this](const QString& text) { statusBar()->showMessage(text); });
    // What the reader warned of (a truncated image: "truncated: 256 of 512
    // bytes"), then the check bytes that disagree with the image.
    QStringList notes;
    if (window->document().image().truncated())
        notes << QString::fromStdString(window->document().image().truncationWarning());
    if (const QString mismatch = window->checkMismatchText(); !mismatch.isEmpty())
        notes << mismatch;
    connect(window, &ModuleDocumentWindow::statusMessageWithdrawn, statusBar(), [this](const QString& text) { withdrawStatusMessage(text); });
    showCheckMismatch(notes.join(QStringLiteral("; ")));
    return window;
}

bool MainWindow::readAnyImage(const QString& path, ImageData& larger, SpdImage& page, std::uint64_t& bytesAfterImage)
{
    const std::string file = FileNameString(path);
    ImageRead read = ReadImageFile(file, InputFormatForFileName(file));
    larger = {};
    bytesAfterImage = read.ok() ? read.bytesAfterImage : 0;
    if (!read.ok()) {
        // A file too short for the type its byte 2 names still opens as the
        // 256-byte image it always opened as; the reader says why otherwise.
        return readImage(path, page);
    }
    if (read.image.size != kSpdSize)
        larger = std::move(read.image);
    else
        std::copy_n(read.image.bytes.begin(), kSpdSize, page.begin());
    return true;
}

void MainWindow::openPath(const QString& name)
{
    // A window carries the full path of its file, however it was named.
    const QString path = AbsoluteFileName(name);
    if (showIfOpen(path))
        return;
    // A 512- or 1024-byte image opens in a window of its own; every other
    // file opens as it always has, into a 256-byte document.
    ImageData larger;
    SpdImage image{};
    std::uint64_t bytesAfterImage = 0;
    if (!readAnyImage(path, larger, image, bytesAfterImage))
        return;
    // An untitled window that holds nothing of the operator's makes room for
    // the file: a 256-byte image goes into it, a larger one takes its place.
    DocumentWindow* blank = activeDocument();
    if (blank != nullptr && (blank->document().isModified() ||
                             !QString::fromStdString(blank->document().caption()).startsWith(QLatin1String(kUntitledPrefix))))
        blank = nullptr;
    if (!larger.bytes.empty()) {
        noteBytesAfterImage(openModuleDocument(std::move(larger), path), path, bytesAfterImage);
        if (blank != nullptr) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(blank->parentWidget()))
                sub->close();
        }
        recordRecentFile(path);
        return;
    }
    DocumentWindow* target = blank != nullptr ? blank : newDocument();
    loadInto(target, path, image);
    activate(target);
    noteBytesAfterImage(target, path, bytesAfterImage);
    recordRecentFile(path);
}

void MainWindow::openRecentFile(int index)
{
    if (index < 1 || index > 3)
        return;
    const QString name = m_recent.entry(index).caption;
    if (showIfOpen(name))
        return;
    ImageData larger;
    SpdImage image{};
    std::uint64_t bytesAfterImage = 0;
    if (!readAnyImage(name, larger, image, bytesAfterImage))
        return;  // the window keeps what it shows; no file is created
    if (!larger.bytes.empty()) {
        noteBytesAfterImage(openModuleDocument(std::move(larger), name), name, bytesAfterImage);
        recordRecentFile(name);
        return;
    }
    DocumentWindow* target = activeDocument();
    if (target == nullptr)
        target = newDocument();
    loadInto(target, name, image);
    noteBytesAfterImage(target, name, bytesAfterImage);
    recordRecentFile(name);
}

void MainWindow::importHexDump()
{
    const QString name = AskFileName(this, "匯入十六進位傾印", kDumpFilters, false, nullptr);
    if (name.isEmpty())
        return;
    ImageRead read = ReadImageFile(FileNameString(name), InputFormat::Dump);
    if (!read.ok()) {
        ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法開啟檔案 !   *****\n\n%1\n%2").arg(name, QString::fromStdString(read.error)));
        return;
    }
    // The dump is not an SPD file: the document is untitled until it is saved.
    if (read.image.size != kSpdSize) {
        ++m_app.documentCount;
        ModuleDocumentWindow* window =
            openModuleDocument(std::move(read.image), QStringLiteral("SPD_File %1").arg(m_app.documentCount));
        window->document().setModified(true);
        return;
    }
    SpdImage image{};
    std::copy_n(read.image.bytes.begin(), kSpdSize, image.begin());
    DocumentWindow* target = newDocument();
    target->document().loadWhole(image);
    target->document().setModified(true);
    target->refreshNow();
}

void MainWindow::saveFile()
{
    if (ModuleDocumentWindow* module = activeModuleDocument()) {
        saveModuleDocument(module, false);
        return;
    }
    saveDocument(activeDocument());
}

bool MainWindow::saveModuleDocument(ModuleDocumentWindow* window, bool askName)
{
    if (!m_app.operatorAuthorized) {
        ui::ShowError(this, QString::fromUtf8(ui::kAccessErrorTitle),
                      QStringLiteral("      *****   權限不足無法存檔,請洽管理人員 !   *****      "));
        return false;
    }
    QString name = FileNameFromBytes(window->document().caption());
    if (askName || name.startsWith(QLatin1String(kUntitledPrefix)) || !name.startsWith(u'/')) {
        activateWidget(window);
        name = askName ? AskFileName(this, "另存新檔", kSaveAsFilters, true, nullptr)
                       : AskFileName(this, "儲存", kOpenFilters, true, nullptr);
        if (name.isEmpty())
            return false;
    }
    if (!confirmDroppingBytesAfterImage(window, name))
        return false;
    QString error;
    if (!WriteImageFile(name, window->document().bytes(), FormatOfName(name), &error)) {
        ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法儲存檔案 !   *****\n\n%1\n%2").arg(name, error));
        return false;
    }
    window->setProperty(kBytesAfterImageProperty, QVariant());
    window->document().setCaption(FileNameString(name));
    window->document().clearEditedMarks();
    window->document().setModified(false);
    // Save As names a file the operator may want again; Save does not touch the list.
    if (askName)
        recordRecentFile(name);
    return true;
}

bool MainWindow::saveDocument(DocumentWindow* window)
{
    if (!m_app.operatorAuthorized) {
        ui::ShowError(this, QString::fromUtf8(ui::kAccessErrorTitle),
                      QStringLiteral("      *****   權限不足無法存檔,請洽管理人員 !   *****      "));
        return false;
    }
    if (window == nullptr)
        return false;
    QString name = FileNameFromBytes(window->document().captionWithoutMark());
    if (name.startsWith(QLatin1String(kUntitledPrefix))) {
        activate(window);
        name = AskFileName(this, "儲存", kOpenFilters, true, nullptr);
        if (name.isEmpty())
            return false;
    }
    // The format the name will be read back in.
    return writeDocument(window, name, FormatOfName(name) == SpdFormat::Text);
}

void MainWindow::saveFileAs()
{
    if (!m_app.operatorAuthorized) {
        ui::ShowError(this, QString::fromUtf8(ui::kAccessErrorTitle),
                      QStringLiteral("      *****   權限不足無法存檔,請洽管理人員 !   *****      "));
        return;
    }
    if (ModuleDocumentWindow* module = activeModuleDocument()) {
        saveModuleDocument(module, true);
        return;
    }
    DocumentWindow* window = activeDocument();
    if (window == nullptr)
        return;
    const QString name = AskFileName(this, "另存新檔", kSaveAsFilters, true, nullptr);
    if (name.isEmpty())
        return;
    // The name decides the format, by the rule that reads it back: a name
    // ending in "spd" is text, any other binary. The chosen filter only
    // supplies the suffix of a name typed without one, so a file never reads
    // back as something other than what was saved.
    if (writeDocument(window, name, FormatOfName(name) == SpdFormat::Text))
        recordRecentFile(name);
}

void MainWindow::noteBytesAfterImage(QWidget* window, const QString& path, std::uint64_t count)
{
    if (window == nullptr || count == 0)
        return;
    window->setProperty(kBytesAfterImageProperty, QVariantList{path, QVariant::fromValue<qulonglong>(count)});
    statusBar()->showMessage(tr("%1：映像之後還有 %2 個位元組，儲存時只寫入映像，這些位元組會被捨棄")
                                 .arg(QFileInfo(path).fileName())
                                 .arg(count));
}

bool MainWindow::confirmDroppingBytesAfterImage(QWidget* window, const QString& path)
{
    const QVariantList noted = window->property(kBytesAfterImageProperty).toList();
    if (noted.size() != 2 || QFileInfo(noted[0].toString()).absoluteFilePath() != QFileInfo(path).absoluteFilePath())
        return true;
    activateWidget(window);
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("儲存"),
        tr("%1 在映像之後還有 %2 個位元組。\n儲存只寫入映像，這些位元組會被捨棄。是否儲存 ?")
            .arg(path)
            .arg(noted[1].toULongLong()));
    return answer == QMessageBox::Yes;
}

bool MainWindow::writeDocument(DocumentWindow* window, const QString& path, bool textFormat)
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
        ui::ShowError(this, QString::fromUtf8(ui::kDeviceErrorTitle),
                      QStringLiteral("*****   無法儲存檔案 !   *****\n\n%1\n%2").arg(path, error));
        return false;
    }
    window->setProperty(kBytesAfterImageProperty, QVariant());
    doc.setCaption(FileNameString(path));
    doc.clearEditedMarks();  // the file holds these bytes now
    doc.setModified(false);
    return true;
}

}  // namespace tessaro
