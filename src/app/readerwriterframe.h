#pragma once

#include "app/spdrwcontroller.h"

#include <QGroupBox>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tessaro {

// The SPD reader/writer's frame of a document window (every image size),
// shown while a reader/writer is configured: the modules found with their
// address, generation, size and protection, and the buttons that rescan, read
// a module into a new window, write the document (after a confirmation naming
// the address, the generation and the pages that change), verify, and show,
// set and clear protection. Every failure gives one message; the document is
// never changed here.
class ReaderWriterFrame : public QGroupBox
{
    Q_OBJECT
public:
    struct Document {
        std::function<spdrw::Bytes()> bytes;   // the document's image now
        std::function<QString()> caption;       // its caption, for the log
    };
    using ImageOpener = std::function<void(const spdrw::Bytes& image)>;

    ReaderWriterFrame(SpdrwController& controller, Document document, ImageOpener openImage, QWidget* parent = nullptr);
    ~ReaderWriterFrame() override;

    [[nodiscard]] QTreeWidget* moduleList() const { return m_modules; }
    [[nodiscard]] QLabel* stateLabel() const { return m_state; }
    // The address of the module chosen in the list; 0 when none is.
    [[nodiscard]] int selectedAddress() const;
    void selectAddress(int address);

    // The buttons, by their object names: spdrwRescan, spdrwRead, spdrwWrite,
    // spdrwVerify, spdrwProtectStatus, spdrwProtectSet, spdrwProtectClear.
    void rescan();
    void readModule();
    void writeDocument();
    void verifyDocument();
    void showProtection();
    void setProtection();
    void clearProtection();

signals:
    void statusMessage(const QString& text);

private:
    void follow();  // the controller's state: shown or not, the list, the buttons
    bool start(SpdrwJob job);
    void finished(const SpdrwOutcome& outcome);
    void failure(const QString& headline, const SpdrwOutcome& outcome, const QString& hint = {});
    void writeFinished(const SpdrwOutcome& outcome);
    [[nodiscard]] const SpdrwModule* selectedModule() const;
    [[nodiscard]] SpdrwJob jobFor(SpdrwJob::Kind kind) const;

    SpdrwController& m_controller;
    Document m_document;
    ImageOpener m_openImage;
    bool m_waiting = false;  // this frame started the running operation
    QTreeWidget* m_modules = nullptr;
    QLabel* m_state = nullptr;
    std::vector<QPushButton*> m_buttons;
};

}  // namespace tessaro
