#include "pinmapui/pinmapart.h"
#include "pinmapui/pinmappanel.h"
#include "workstationtest.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessaro;

namespace {

class PinMapWindow : public test::WorkstationTest
{
protected:
    DocumentWindow* openAs(int memoryType, int moduleForm)
    {
        DocumentWindow* doc = window->newDocument();
        app.decode.currentMemoryType = static_cast<std::int16_t>(memoryType);
        app.decode.currentModuleForm = static_cast<std::int16_t>(moduleForm);
        return doc;
    }
    QAction* toolButton(const char* key) const { return window->findChild<QAction*>(QString::fromLatin1(key)); }
    static QStringList visiblePictures(DocumentWindow* doc)
    {
        QStringList shown;
        for (bool ic : {true, false}) {
            for (PinMapView* view : doc->pinMapPanel(ic)->findChildren<PinMapView*>()) {
                if (!view->isHidden())
                    shown << view->objectName();
            }
        }
        shown.sort();
        return shown;
    }
    // The picture the operator sees: the last one raised among the visible.
    static QString topPicture(DocumentWindow* doc, bool ic)
    {
        const auto views = doc->pinMapPanel(ic)->findChildren<PinMapView*>();
        QWidget* stage = views.isEmpty() ? nullptr : views.first()->parentWidget();
        QString top;
        if (stage == nullptr)
            return top;
        for (QObject* child : stage->children()) {
            auto* view = qobject_cast<PinMapView*>(child);
            if (view != nullptr && !view->isHidden())
                top = view->objectName();
        }
        return top;
    }
};

}  // namespace

TEST_F(PinMapWindow, ModuleMapFromTheMenuCoversTheWindow)
{
    DocumentWindow* doc = openAs(8, 0);
    PinMapPanel* ic = doc->pinMapPanel(true);
    PinMapPanel* module = doc->pinMapPanel(false);
    EXPECT_TRUE(ic->isHidden());
    EXPECT_TRUE(module->isHidden());
    EXPECT_EQ(doc->findChild<PinMapPanel*>(QStringLiteral("modulePinMapPanel")), module);
    EXPECT_EQ(module->title(), QStringLiteral("模組腳位圖"));
    EXPECT_EQ(module->closeButton()->text(), QStringLiteral("關           閉"));
    EXPECT_EQ(ic->closeButton()->text(), QStringLiteral("關       閉"));
    EXPECT_EQ(ic->list()->currentText(), QStringLiteral("DDR ( x4 , x8 , x16 )"));
    EXPECT_EQ(module->list()->currentText(), QStringLiteral("DDR-DIMM184"));

    window->action(QStringLiteral("mnuICpin"))->trigger();
    window->action(QStringLiteral("mnuMODULEpin"))->trigger();
    EXPECT_TRUE(ic->isHidden());
    ASSERT_TRUE(module->isVisible());
    EXPECT_EQ(module->geometry(), doc->rect());
    EXPECT_EQ(module->list()->currentText(), QStringLiteral("DDR2-DIMM"));
    EXPECT_EQ(visiblePictures(doc), QStringList({"Image6", "Image9"}));  // the IC panel keeps its picture

    // The picture never shrinks below its own size (the panel scrolls
    // instead); the panel follows the window's size and the picture grows with it.
    auto* picture = module->findChild<PinMapView*>(QStringLiteral("Image6"));
    QCoreApplication::processEvents();
    const QSizeF natural = PinMapNaturalSize(PinMapPicture::Ddr2Dimm240);
    EXPECT_GE(picture->width(), natural.width());
    EXPECT_GE(picture->height(), natural.height());
    doc->parentWidget()->showNormal();  // the first document opens maximised
    doc->parentWidget()->resize(doc->parentWidget()->size() + QSize(900, 700));
    QCoreApplication::processEvents();
    EXPECT_EQ(module->geometry(), doc->rect());
    EXPECT_GT(picture->width(), natural.width() + 200);

    // Choosing from the list: that picture alone.
    module->list()->setCurrentIndex(3);
    emit module->list()->activated(3);
    EXPECT_EQ(module->list()->currentText(), QStringLiteral("DDR2-SODIMM200"));
    EXPECT_EQ(visiblePictures(doc), QStringList({"Image7", "Image9"}));

    QTest::mouseClick(module->closeButton(), Qt::LeftButton);
    EXPECT_TRUE(module->isHidden());
    EXPECT_TRUE(ic->isHidden());
}

TEST_F(PinMapWindow, ToolBarButtonsPickTheGenerationAndForm)
{
    DocumentWindow* doc = openAs(11, 4);
    toolButton("DRAM")->trigger();
    EXPECT_EQ(doc->pinMapPanel(false)->list()->currentText(), QStringLiteral("DDR3-SODIMM204"));
    EXPECT_EQ(visiblePictures(doc), QStringList({"Image13"}));

    toolButton("IC")->trigger();
    EXPECT_TRUE(doc->pinMapPanel(false)->isHidden());
    EXPECT_TRUE(doc->pinMapPanel(true)->isVisible());
    EXPECT_EQ(doc->pinMapPanel(true)->list()->currentText(), QStringLiteral("DDR3 ( x4 , x8 )"));
    EXPECT_EQ(visiblePictures(doc), QStringList({"Image10", "Image13"}));

    // The menu keeps the DDR3 picture and lays the DDR picture over it.
    window->action(QStringLiteral("mnuICpin"))->trigger();
    EXPECT_EQ(doc->pinMapPanel(true)->list()->currentText(), QStringLiteral("DDR ( x4 , x8 , x16)"));
    EXPECT_EQ(visiblePictures(doc), QStringList({"Image10", "Image13", "Image3"}));
    EXPECT_EQ(topPicture(doc, true), QStringLiteral("Image3"));

    // An x16 DDR2 image gets the x16 package.
    app.decode.currentMemoryType = 8;
    doc->document().setByte(13, 16);
    toolButton("IC")->trigger();
    EXPECT_EQ(doc->pinMapPanel(true)->list()->currentText(), QStringLiteral("DDR2 ( x16 )"));
    EXPECT_EQ(topPicture(doc, true), QStringLiteral("Image8"));
}

TEST_F(PinMapWindow, WithoutADocumentNothingHappens)
{
    test::ModalResponder responder;
    for (const char* key : {"IC", "DRAM"})
        toolButton(key)->trigger();
    window->action(QStringLiteral("mnuICpin"))->trigger();
    window->action(QStringLiteral("mnuMODULEpin"))->trigger();
    EXPECT_TRUE(responder.messages().empty());
    EXPECT_EQ(responder.dialogsSeen(), 0);
    EXPECT_TRUE(window->documents().isEmpty());
}

TEST_F(PinMapWindow, EachPictureIsDrawnOverThePanel)
{
    DocumentWindow* doc = openAs(8, 0);
    for (bool ic : {true, false}) {
        PinMapPanel* panel = doc->pinMapPanel(ic);
        if (ic)
            window->action(QStringLiteral("mnuICpin"))->trigger();
        else
            window->action(QStringLiteral("mnuMODULEpin"))->trigger();
        for (int entry = 0; entry < panel->list()->count(); ++entry) {
            emit panel->list()->activated(entry);
            const QString name = topPicture(doc, ic);
            auto* view = panel->findChild<PinMapView*>(name);
            ASSERT_NE(view, nullptr);
            const QImage shot = view->grab().toImage();
            int inked = 0;
            for (int y = 0; y < shot.height(); y += 3) {
                for (int x = 0; x < shot.width(); x += 3)
                    inked += shot.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
            }
            // A drawing, not an empty frame: at least a few percent of the area is ink.
            EXPECT_GT(inked, shot.width() * shot.height() / 9 / 50) << name.toStdString();
        }
    }
}
