#pragma once

#include "app/mainwindow.h"
#include "document/appvalues.h"
#include "documentwindow/documentwindow.h"
#include "files/settingsstore.h"
#include "uisupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessaro::test {

// A shown main window on a settings store of its own, with an authorised
// operator. Edits left in its documents are dropped at the end, so closing
// asks nothing.
class WorkstationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settingsPath = TemporarySettingsPath();
        settings = std::make_unique<SettingsStore>(settingsPath);
        app.operatorAuthorized = true;
        window = std::make_unique<MainWindow>(app, *settings);
        window->show();
    }
    void TearDown() override
    {
        for (DocumentWindow* d : window->documents())
            d->document().setModified(false);
        window.reset();
    }

    QString settingsPath;
    std::unique_ptr<SettingsStore> settings;
    AppValues app;
    std::unique_ptr<MainWindow> window;
};

}  // namespace tessaro::test
