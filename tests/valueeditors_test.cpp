// Editing by meaning in the windows: each dialog's OK lands in the document as
// one undo step with the check bytes right, a refused value leaves it as it
// was with the engine's message shown. Offscreen, on corpus images when the
// corpus is there.
#include "core/checks.h"
#include "decode/valueedit.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/moduledocumentwindow.h"
#include "documentwindow/valueeditors.h"
#include "files/imageformat.h"
#include "testsupport.h"
#include "uisupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tessaro;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A corpus image; without the corpus, one the repository keeps for the fuzzers
// (DDR4, DDR5) or a counting image of the generation (DDR3), so the windows'
// editing is checked on every machine.
std::optional<Bytes> CorpusFile(const std::string& name)
{
    const std::string path = test::CorpusDir() + "/" + name;
    if (std::filesystem::exists(path)) {
        const std::string data = test::ReadAll(path);
        return Bytes(data.begin(), data.end());
    }
    const std::string generation = name.substr(0, name.find('/'));
    if (generation == "ddr3") {
        const SpdImage counting = test::CountingImage();
        Bytes image(counting.begin(), counting.end());
        image[2] = 0x0B;
        return image;
    }
    const std::string data =
        test::ReadAll(std::string(TESSARO_SOURCE_DIR) + "/fuzz/corpus/module_decode/" + generation + ".bin");
    if (data.empty())
        return std::nullopt;
    return Bytes(data.begin(), data.end());
}

std::string FieldText(const Bytes& image, const std::string& name)
{
    for (const EditableField& field : EditableFields(image))
        if (field.name == name)
            return field.text.value_or("");
    return "(no field)";
}

// Either window on one image, seen through what the tests need.
struct OpenWindow {
    std::unique_ptr<QWidget> widget;
    std::function<Bytes()> bytes;
    std::function<bool(int)> edited;  // byte n marked edited
    QUndoStack* undo = nullptr;
};

OpenWindow Open(AppValues& app, const Bytes& image)
{
    OpenWindow open;
    if (image.size() == kSpdSize) {
        auto* window = new DocumentWindow(app, QStringLiteral("SPD_File 1"));
        window->open([] { return QDate(2017, 1, 8); });
        SpdImage spd{};
        std::copy(image.begin(), image.end(), spd.begin());
        window->document().loadWhole(spd);
        open.bytes = [window] { return Bytes(window->document().image().begin(), window->document().image().end()); };
        open.edited = [window](int n) { return window->document().mark(n) == Mark::Edited; };
        open.undo = window->undoStack();
        open.widget.reset(window);
    } else {
        auto* window = new ModuleDocumentWindow(ImageData{image, static_cast<int>(image.size())},
                                                QStringLiteral("SPD_File 2"));
        open.bytes = [window] { return window->document().bytes(); };
        open.edited = [window](int n) { return window->document().mark(n) == Mark::Edited; };
        open.undo = window->undoStack();
        open.widget.reset(window);
    }
    open.widget->resize(1200, 800);
    open.widget->show();
    return open;
}

void Accept(QWidget* dialog, const std::vector<std::pair<QString, QString>>& values)
{
    auto* edit = qobject_cast<ValueEditDialog*>(dialog);
    ASSERT_NE(edit, nullptr);
    for (const auto& [name, value] : values)
        edit->form()->setValueText(name, value);
    edit->accept();
}

struct WindowCase {
    const char* what;
    const char* file;
    // What the operator does in the window to open the dialog.
    std::function<void(QWidget*)> open;
    std::vector<std::pair<QString, QString>> typed;
    std::vector<std::pair<std::string, std::string>> expected;  // field texts after OK
};

void DoubleClickValue(QWidget* window, const char* name)
{
    QLabel* label = window->findChild<DecodedPanels*>()->valueLabel(QString::fromLatin1(name));
    ASSERT_NE(label, nullptr);
    QTest::mouseDClick(label, Qt::LeftButton);
}

}  // namespace

TEST(ValueEditWindows, EachDialogEditIsOneUndoStepWithCheckBytesAndMarks)
{
    const WindowCase cases[] = {
        {"256-byte part number by double-click", "ddr3/cb-lulu-samsung-m471b5674qh0.bin",
         [](QWidget* w) { DoubleClickValue(w, "partNumber"); }, {{"partNumber", "TESSARO-1"}},
         {{"partNumber", "TESSARO-1"}}},
        {"256-byte maker by Enter", "ddr3/mt86p-kingston-9905403-440.bin",
         [](QWidget* w) {
             QLabel* label = w->findChild<DecodedPanels*>()->valueLabel(QStringLiteral("manufacturer"));
             label->setFocus();
             QTest::keyClick(label, Qt::Key_Return);
         },
         {{"manufacturer", "Samsung"}}, {{"manufacturer", "SAMSUNG (1:4E)"}}},
        {"256-byte DDR2 serial number", "ddr2",
         [](QWidget* w) { DoubleClickValue(w, "serialNumber"); }, {{"serialNumber", "0A0B0C0D"}},
         {{"serialNumber", "0A0B0C0D"}}},
        {"DDR4 identity", "ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin",
         [](QWidget* w) { static_cast<ModuleDocumentWindow*>(w)->editValues({}, QStringLiteral("Identity")); },
         {{"manufactured", "2024-W07"}, {"serialNumber", "01020304"}},
         {{"manufactured", "2024-W07"}, {"serialNumber", "01020304"}}},
        {"DDR4 timings and CAS latencies", "ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin",
         [](QWidget* w) { static_cast<ModuleDocumentWindow*>(w)->editTimings(); },
         {{"tAA", "15"}, {"casLatencies", "10,12,14,16"}},
         {{"tAA", "15 ns"}, {"casLatencies", "10 12 14 16"}}},
        {"DDR5 timing in ps", "ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin",
         [](QWidget* w) { static_cast<ModuleDocumentWindow*>(w)->editTimings(); }, {{"tRCD", "16500 ps"}},
         {{"tRCD", "16.5 ns"}}},
    };
    AppValues app;
    app.operatorAuthorized = true;
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<Bytes> image;
        if (std::string(c.file) == "ddr2") {
            const SpdImage counting = test::CountingImage();
            image = Bytes(counting.begin(), counting.end());
            (*image)[2] = 0x08;
        } else {
            image = CorpusFile(c.file);
        }
        if (!image) {
            ADD_FAILURE() << "corpus image missing: " << c.file;
            continue;
        }
        OpenWindow window = Open(app, *image);
        const Bytes before = window.bytes();
        const int steps = window.undo->count();

        test::ModalResponder responder;
        responder.handleDialog([&](QWidget* dialog) { Accept(dialog, c.typed); });
        c.open(window.widget.get());
        EXPECT_EQ(responder.dialogsSeen(), 1);

        const Bytes after = window.bytes();
        for (const auto& [name, text] : c.expected)
            EXPECT_EQ(FieldText(after, name), text) << name;
        Bytes fixed = after;
        UpdateCheckBytes(fixed);
        EXPECT_EQ(fixed, after) << "check bytes follow the edit";
        EXPECT_EQ(window.undo->count(), steps + 1);
        for (const ByteSpan& span : ChangedBytes(before, after))
            EXPECT_TRUE(window.edited(span.first)) << "byte " << span.first << " marked";

        window.undo->undo();
        EXPECT_EQ(window.bytes(), before) << "undo gives the bytes back";
    }
}

TEST(ValueEditWindows, RefusedValueKeepsTheDialogOpenAndTheDocumentAsItWas)
{
    const std::optional<Bytes> ddr4 = CorpusFile("ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin");
    if (!ddr4)
        GTEST_SKIP() << "no corpus";
    const std::pair<QString, QString> refusals[] = {
        {QStringLiteral("tAA"), QStringLiteral("fast")},
        {QStringLiteral("casLatencies"), QString()},
        {QStringLiteral("manufacturer"), QStringLiteral("No Such Maker Anywhere")},
    };
    AppValues app;
    for (const auto& [name, value] : refusals) {
        SCOPED_TRACE(name.toStdString());
        OpenWindow window = Open(app, *ddr4);
        test::ModalResponder responder;
        QString shown;
        responder.handleDialog([&](QWidget* dialog) {
            auto* edit = qobject_cast<ValueEditDialog*>(dialog);
            ASSERT_NE(edit, nullptr);
            edit->form()->setValueText(name, value);
            edit->accept();
            EXPECT_TRUE(edit->isVisible()) << "a refusal keeps the dialog open";
            shown = edit->message();
            edit->reject();
        });
        auto* module = static_cast<ModuleDocumentWindow*>(window.widget.get());
        if (name == QLatin1String("manufacturer"))
            module->editValues({}, QStringLiteral("Identity"));
        else
            module->editTimings();
        EXPECT_TRUE(shown.contains(QString::fromStdString(name.toStdString()))) << shown.toStdString();
        EXPECT_EQ(window.bytes(), *ddr4);
        EXPECT_EQ(window.undo->count(), 0);
    }
}

TEST(ValueEditForms, TimingsShowClocksAndTheValueStoredWhenNotExact)
{
    const std::optional<Bytes> ddr4 = CorpusFile("ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin");
    if (!ddr4)
        GTEST_SKIP() << "no corpus";
    ValueEditDialog dialog(*ddr4, ValueEditDialog::TimingNames(*ddr4), QStringLiteral("Timings"));
    ValueForm* form = dialog.form();
    EXPECT_FALSE(form->clocksText(QStringLiteral("tAA")).isEmpty());
    EXPECT_TRUE(form->noteText(QStringLiteral("tAA")).isEmpty());
    // 13.7505 ns needs a finer step than 1 ps: rounded up, the note says to what.
    form->setValueText(QStringLiteral("tAA"), QStringLiteral("13.7505"));
    EXPECT_EQ(form->noteText(QStringLiteral("tAA")), QStringLiteral("stored as 13.751 ns"));
    // Another clock: every count beside it follows before OK.
    const QString clocks = form->clocksText(QStringLiteral("tRP"));
    form->setValueText(QStringLiteral("speedMTs"), QStringLiteral("2666"));
    EXPECT_NE(form->clocksText(QStringLiteral("tRP")), clocks);
    // The CAS latency boxes are those the bytes can hold: DDR4 CL 7-52.
    EXPECT_NE(form->findChild<QCheckBox*>(QStringLiteral("cl7")), nullptr);
    EXPECT_NE(form->findChild<QCheckBox*>(QStringLiteral("cl52")), nullptr);
    EXPECT_EQ(form->findChild<QCheckBox*>(QStringLiteral("cl53")), nullptr);
}

TEST(ValueEditWindows, ProfilesAddedEditedAndRemovedInOneStep)
{
    const std::optional<Bytes> ddr5 = CorpusFile("ddr5/cb-mtl-samsung-m425r1gb4bb0-cqkod.bin");
    if (!ddr5)
        GTEST_SKIP() << "no corpus";
    AppValues app;
    OpenWindow window = Open(app, *ddr5);
    test::ModalResponder responder;
    responder.handleDialog([](QWidget* widget) {
        auto* dialog = qobject_cast<ProfileEditDialog*>(widget);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->addProfile(QStringLiteral("XMP 3.0"), QStringLiteral("jedec")));
        dialog->form()->setValueText(QStringLiteral("name"), QStringLiteral("FAST"));
        dialog->form()->setValueText(QStringLiteral("tAA"), QStringLiteral("14"));
        ASSERT_TRUE(dialog->addProfile(QStringLiteral("XMP 3.0"), QStringLiteral("1")));  // applies the form first
        ASSERT_TRUE(dialog->addProfile(QStringLiteral("EXPO"), QStringLiteral("jedec")));
        EXPECT_EQ(dialog->profileList()->count(), 4);  // XMP 3.0 1-2 (3 gives way to EXPO), EXPO 1-2
        dialog->selectProfile(2);
        EXPECT_TRUE(dialog->removeSelected());
        EXPECT_FALSE(dialog->addProfile(QStringLiteral("XMP 2.0"), QStringLiteral("jedec")));
        EXPECT_FALSE(dialog->message().isEmpty());
        dialog->accept();
    });
    window.widget->findChild<QPushButton*>(QStringLiteral("editProfiles"))->click();
    const Bytes after = window.bytes();
    const std::vector<OverclockProfile> profiles = OverclockProfiles(after);
    ASSERT_GE(profiles.size(), 2u);
    EXPECT_EQ(profiles[0].kind, "XMP 3.0");
    EXPECT_EQ(profiles[0].name.value_or(""), "FAST");
    EXPECT_TRUE(profiles[0].enabled);
    EXPECT_FALSE(profiles[1].enabled);  // removed
    for (const OverclockProfile& p : profiles)
        EXPECT_NE(p.crcOk, std::optional<bool>(false)) << p.kind << " " << p.index;
    EXPECT_EQ(window.undo->count(), 1);
    window.undo->undo();
    EXPECT_EQ(window.bytes(), *ddr5);
}

TEST(ValueEditWindows, CheckModeNoneLeavesTheCheckBytes)
{
    const char* files[] = {"ddr3/cb-lulu-samsung-m471b5674qh0.bin", "ddr4/cb-poppy-micron-4atf25664az-2g3b1.bin"};
    AppValues app;
    app.operatorAuthorized = true;
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::optional<Bytes> image = CorpusFile(file);
        if (!image)
            continue;
        OpenWindow window = Open(app, *image);
        if (auto* doc = qobject_cast<DocumentWindow*>(window.widget.get()))
            doc->document().setCheckMode(CheckMode::None);
        else
            static_cast<ModuleDocumentWindow*>(window.widget.get())->document().setCheckMode(CheckMode::None);
        const Bytes before = window.bytes();
        test::ModalResponder responder;
        responder.handleDialog([](QWidget* dialog) { Accept(dialog, {{"partNumber", "NONE-MODE"}}); });
        if (auto* doc = qobject_cast<DocumentWindow*>(window.widget.get()))
            doc->editValue(QStringLiteral("partNumber"));
        else
            static_cast<ModuleDocumentWindow*>(window.widget.get())->editValues({"partNumber"}, QStringLiteral("Part"));
        const Bytes after = window.bytes();
        EXPECT_EQ(FieldText(after, "partNumber"), "NONE-MODE");
        for (const ByteSpan& span : CheckByteSpans(after))
            for (int n = span.first; n <= span.last; ++n)
                EXPECT_EQ(after[static_cast<std::size_t>(n)], before[static_cast<std::size_t>(n)]) << "byte " << n;
    }
}
