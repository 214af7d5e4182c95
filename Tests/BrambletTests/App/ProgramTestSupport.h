#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace bramblet::testing {

// The program itself, started as a user starts it: with a runtime, home and settings folder of
// the test's own (so it never meets another test's instance).
class ProgramTest : public ::testing::Test {
protected:
    QString runtime() const { return m_runtime.path(); }
    QString configuration() const { return m_configuration.path(); }
    // The instance folder the program uses in this runtime folder.
    QString instanceFolder() const { return runtime() + "/Bramblet"; }

    std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& workingFolder = {}) const
    {
        auto program = std::make_unique<QProcess>();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", runtime());
        environment.insert("XDG_CONFIG_HOME", configuration());
        environment.insert("HOME", m_home.path());
        program->setProcessEnvironment(environment);
        if (!workingFolder.isEmpty())
            program->setWorkingDirectory(workingFolder);
        program->start(BRAMBLET_EXECUTABLE, arguments);
        return program;
    }

    // Waits for the program to end while this process serves its events (the instance it may talk
    // to can be this process). False when it is still running after a minute.
    static bool ended(QProcess& program)
    {
        return QTest::qWaitFor([&program] { return program.state() == QProcess::NotRunning; }, 60000);
    }

private:
    QTemporaryDir m_runtime;
    QTemporaryDir m_configuration;
    QTemporaryDir m_home;
};

} // namespace bramblet::testing
