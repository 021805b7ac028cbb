// The windows speak Traditional Chinese: with the catalogue loaded, no text an
// operator reads in the main window, the document windows of every size, the
// log window or the compare window is English, apart from the names the JEDEC
// documents name in English and the captions the windows have always had (offscreen).
#include "app/logwindow.h"
#include "app/startup.h"
#include "decode/moduledecode.h"
#include "documentwindow/comparewindow.h"
#include "documentwindow/decodedpanels.h"
#include "documentwindow/documentwindow.h"
#include "documentwindow/gridfind.h"
#include "documentwindow/moduledocumentwindow.h"
#include "files/imagefile.h"
#include "log/productionlog.h"
#include "testsupport.h"
#include "workstationtest.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDate>
#include <QLocale>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTranslator>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tessaro;

namespace {

// The English captions the windows have always had, kept as they are.
const QStringList kSpecifiedEnglish = {
    QStringLiteral("Value"), QStringLiteral("Byte value, press then chang"), QStringLiteral("Checksum/CRC"),
    QStringLiteral("Checksum"), QStringLiteral("None"), QStringLiteral("Secrity on SPD(7F)"),
};

// Words that stay English everywhere: units and names of the trade.
const QStringList kAllowedWords = {
    QStringLiteral("ns"), QStringLiteral("ps"), QStringLiteral("ms"), QStringLiteral("mm"), QStringLiteral("MHz"),
    QStringLiteral("MT"), QStringLiteral("Mb"), QStringLiteral("Gb"), QStringLiteral("GB"), QStringLiteral("MB"),
    QStringLiteral("Ver"), QStringLiteral("Byte"), QStringLiteral("Shift"),
};

// True when a text reads as English: no Chinese in it and a word that is
// neither an abbreviation in capitals (CRC, SPD, DDR4, JEDEC), nor a JEDEC
// timing name (tAA, tRCD), nor one of the allowed words.
bool ReadsAsEnglish(const QString& text)
{
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z']+"));
    static const QRegularExpression abbreviation(QStringLiteral("^(t?[A-Z][A-Z0-9]*s?|x[0-9]+)$"));
    if (text.contains(han) || kSpecifiedEnglish.contains(text.trimmed()))
        return false;
    // Untitled documents keep their specified caption, loaded ones their file's
    // path; a date is written as the system's locale writes it.
    if (text == QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat))
        return false;
    static const QRegularExpression path(QStringLiteral("/[^\\s\\[\\]]*"));
    const QString checked = QString(text).remove(QStringLiteral("SPD_File")).remove(path);
    for (const QRegularExpressionMatch& m : word.globalMatch(checked)) {
        const QString w = m.captured();
        if (!abbreviation.match(w).hasMatch() && !kAllowedWords.contains(w))
            return true;
    }
    return false;
}

// JEDEC field names, signal names and decoded values stay English: the
// decoded panels of a 256-byte image and its module's signals; the byte names,
// summary, warnings, decoded fields and the profiles' cells of a larger one.
bool ShowsJedecTexts(const QWidget* widget)
{
    static const QStringList own = {QStringLiteral("descriptionCaption"), QStringLiteral("summaryLine"),
                                    QStringLiteral("warnings")};
    const QString name = widget->objectName();
    if (own.contains(name) || name.startsWith(QStringLiteral("field")) || name.startsWith(QStringLiteral("DATA_L")))
        return true;
    for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<const DecodedPanels*>(w) != nullptr || w->objectName() == QStringLiteral("decodedFields"))
            return true;
    }
    return qobject_cast<const DecodedPanels*>(widget) != nullptr;
}

void AddMenuTexts(const QMenu* menu, const QString& where, QStringList& found)
{
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator() || !a->isVisible())
            continue;
        if (ReadsAsEnglish(a->text()))
            found << where + QStringLiteral(" menu: ") + a->text();
        if (a->menu() != nullptr)
            AddMenuTexts(a->menu(), where, found);
    }
}

// Every English text that `root` shows: window titles, labels, buttons, frame
// titles, place holders, list entries, column headers, cells and tool tips.
QStringList EnglishTexts(QWidget* root)
{
    QStringList found;
    const QString where = root->metaObject()->className();
    auto check = [&](const QWidget* w, const QString& kind, QString text) {
        if (Qt::mightBeRichText(text))
            text = QTextDocumentFragment::fromHtml(text).toPlainText();
        if (ReadsAsEnglish(text))
            found << QStringLiteral("%1 %2 %3: %4").arg(where, w->metaObject()->className(), w->objectName(), kind) +
                         QStringLiteral(" \"") + text + u'"';
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(root) && w != root)
            continue;
        if (auto* bar = qobject_cast<QMenuBar*>(w)) {
            for (const QAction* a : bar->actions()) {
                check(w, QStringLiteral("menu"), a->text());
                if (a->menu() != nullptr)
                    AddMenuTexts(a->menu(), where, found);
            }
        }
        if (ShowsJedecTexts(w))
            continue;
        check(w, QStringLiteral("tool tip"), w->toolTip());
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w) != nullptr)
            check(w, QStringLiteral("title"), w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w))
            check(w, QStringLiteral("text"), label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            check(w, QStringLiteral("text"), button->text());
        if (auto* bar = qobject_cast<QStatusBar*>(w))
            check(w, QStringLiteral("message"), bar->currentMessage());
        if (auto* frame = qobject_cast<QGroupBox*>(w))
            check(w, QStringLiteral("title"), frame->title());
        if (auto* line = qobject_cast<QLineEdit*>(w))
            check(w, QStringLiteral("place holder"), line->placeholderText());
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                check(w, QStringLiteral("entry"), combo->itemText(i));
        // A table's headers and cells, once (not again through its header views).
        auto* view = qobject_cast<QAbstractItemView*>(w);
        if (view != nullptr && qobject_cast<QHeaderView*>(w) == nullptr && view->model() != nullptr) {
            const QAbstractItemModel* model = view->model();
            for (int c = 0; c < model->columnCount(); ++c) {
                check(w, QStringLiteral("header"), model->headerData(c, Qt::Horizontal).toString());
                for (int r = 0; r < std::min(model->rowCount(), 20); ++r) {
                    const QString cell = model->index(r, c).data().toString();
                    // Decoded values (the compared facts; a profile's kind, name,
                    // speed, timings, voltage) and the station's and operator's names, as set.
                    const QString table = w->objectName();
                    if (table != QStringLiteral("compareFacts") && (table != QStringLiteral("profiles") || c == 2 || c == 7) &&
                        (table != QStringLiteral("logTable") || (c != 1 && c != 2)))
                        check(w, QStringLiteral("cell"), cell);
                }
            }
        }
    }
    return found;
}

ImageData ModuleImage(std::uint8_t type, int size)
{
    ImageData image{std::vector<std::uint8_t>(static_cast<std::size_t>(size), 0), size};
    image.bytes[0] = size == 512 ? 0x23 : 0x30;
    image.bytes[2] = type;
    FixCrcBlocks(image.bytes);
    return image;
}

// A corpus image of the generation, for decoded profiles and warnings; the
// made-up one without the corpus.
ImageData CorpusOr(const char* generation, ImageData fallback)
{
    const std::filesystem::path folder = std::filesystem::path(test::CorpusDir()) / generation;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        ImageRead read = ReadImageFile(entry.path().string(), InputFormat::Auto);
        if (read.ok() && read.image.size == fallback.size)
            return read.image;
    }
    return fallback;
}

// With TESSARO_LANGUAGE_SHOTS set, a picture of each window walked goes there.
void Shoot(QWidget* window, const char* name)
{
    if (const QString folder = qEnvironmentVariable("TESSARO_LANGUAGE_SHOTS"); !folder.isEmpty())
        window->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

class Language : public test::WorkstationTest
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(LoadWindowTranslations(windowTexts())) << "the catalogue is built into the program";
        QCoreApplication::installTranslator(&windowTexts());
    }
    static void TearDownTestSuite() { QCoreApplication::removeTranslator(&windowTexts()); }
    static QTranslator& windowTexts()
    {
        static QTranslator translator;
        return translator;
    }
};

}  // namespace

TEST(LanguageRule, EnglishIsToldFromChineseAndFromTheNamesThatStayEnglish)
{
    for (const char* english : {"Fill from the row's first byte to the end", "Decoded", "read module", "stored 6CF9"})
        EXPECT_TRUE(ReadsAsEnglish(QString::fromUtf8(english))) << english;
    for (const char* kept : {"SPD 值", "CRC", "DDR4 SDRAM", "tAA", "Value", "Byte 1A0h", "已貼上 8 個位元組", "x8", "13.75 ns",
                             "/home/op/module-3.spd"})
        EXPECT_FALSE(ReadsAsEnglish(QString::fromUtf8(kept))) << kept;
}

TEST_F(Language, EveryWindowSpeaksChinese)
{
    // A DDR3 file whose CRC disagrees: the check frame and the status bar say so.
    window->resize(1280, 860);
    QTemporaryDir folder;
    SpdImage ddr3 = test::CountingImage();
    ddr3[2] = 0x0B;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("ddr3.bin"));
    test::WriteAll(file.toStdString(), std::string(ddr3.begin(), ddr3.end()));
    window->openPath(file);
    ASSERT_FALSE(window->statusBar()->currentMessage().isEmpty());
    QStringList found = EnglishTexts(window.get());
    Shoot(window.get(), "main");
    // The messages of find and go to.
    auto* find = window->activeDocument()->findChild<GridFind*>();
    ASSERT_NE(find, nullptr);
    for (const auto& run : std::initializer_list<std::function<void()>>{
             [&] { find->find(QStringLiteral("4G"), FindKind::Hex); }, [&] { find->find(QStringLiteral("4D5"), FindKind::Hex); },
             [&] { find->find(QStringLiteral(" "), FindKind::Hex); }, [&] { find->find(QStringLiteral("0B"), FindKind::Hex); },
             [&] { find->findNext(false); }, [&] { find->findNext(true); }, [&] { find->find(QStringLiteral("EE FF"), FindKind::Hex); },
             [&] { find->goTo(QStringLiteral("100")); }}) {
        run();
        found << EnglishTexts(window->statusBar());
    }

    for (const ImageData& image : {CorpusOr("ddr4", ModuleImage(0x0C, 512)), CorpusOr("ddr5", ModuleImage(0x12, 1024))}) {
        ModuleDocumentWindow module(image, QStringLiteral("SPD_File 9"));
        module.resize(1280, 800);
        module.show();
        found << EnglishTexts(&module);
        Shoot(&module, image.size == 512 ? "ddr4" : "ddr5");
    }

    LogLocation location;
    location.path = QDir(folder.path()).filePath(QStringLiteral("log.sqlite"));
    {
        ProductionLog log(location);
        ASSERT_TRUE(log.open());
        LogRecord record;
        record.timeUtc = QStringLiteral("2026-12-10T09:41:38.123Z");
        record.station = QStringLiteral("line-3");
        record.operatorName = QStringLiteral("ana");
        record.operation = QStringLiteral("read module");
        record.port = QStringLiteral("port 1 (/dev/ttyUSB0)");
        record.document = QStringLiteral("SPD_File 1");
        record.ok = true;
        record.result = QStringLiteral("ok");
        log.append(record);
        record.operation = QStringLiteral("tester test");
        record.ok = false;
        record.result = QStringLiteral("*****   SPD 測試失敗 !   *****\nno reply");
        log.append(record);
    }
    LogWindow logWindow(location, [](const QByteArray&, const LogRecord&) {});
    logWindow.resize(1280, 600);
    logWindow.show();
    found << EnglishTexts(&logWindow);
    Shoot(&logWindow, "log");

    const ImageData a = ModuleImage(0x0C, 512);
    ImageData b = a;
    b.bytes[4] = 0x85;
    b.bytes[18] = 0x06;
    FixCrcBlocks(b.bytes);
    CompareWindow compare(a, QStringLiteral("SPD_File 1"), b, QStringLiteral("SPD_File 2"));
    compare.resize(1280, 800);
    compare.show();
    found << EnglishTexts(&compare);
    Shoot(&compare, "compare");

    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}
