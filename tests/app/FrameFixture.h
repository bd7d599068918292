#pragma once
// Shared set-up of the frame tests: scripted user, a settings folder of the test's own and the
// process-wide values back at their defaults.
#include "app/MainWindow.h"
#include "app/StartUp.h"
#include "support/ScriptedUiServices.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"
#include "util/CommandRegistry.h"
#include "util/OperationGuard.h"
#include "util/SettingsFile.h"
#include "util/StatusPanels.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace qvor::test {

struct FrameFixture {
    ScriptedUiServices services;
    QTemporaryDir dir;

    FrameFixture()
    {
        qputenv("QVOR_DEMO_DATABASE", ":memory:");
        setSettingsFolderForTests(dir.path());
        appSettings() = {};
        appFlags() = {};
        operationGuard().reset();
        panels().setMessage({});
    }
    ~FrameFixture() { setSettingsFolderForTests({}); }

    QString settingsPath() const { return settingsFilePath(); }

    void writeSettingsFile(const QByteArray& bytes) const
    {
        QFile f(settingsPath());
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
    QByteArray settingsBytes() const
    {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<MainWindow> start() { return StartUp::run(settingsPath()); }
};

} // namespace qvor::test
