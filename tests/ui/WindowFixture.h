#pragma once

#include "DbConnection.h"
#include "MainModule.h"
#include "Pause.h"
#include "SlpPrinterApi.h"
#include "TestQuery.h"
#include "frmMain.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Counts the printers it is asked to open and opens none, so the job prints nothing.
class RecordingPrinter final : public SlpPrinterApi {
public:
    qint32 SlpOpenPrinter(const QString&, qint32, bool) override {
        ++opened;
        return 0;
    }
    qint32 SlpGetLabelWidth() override { return 0; }
    qint32 SlpGetLabelHeight() override { return 0; }
    bool SlpStartLabel() override { return false; }
    void SlpSetRotation(qint32) override {}
    qint32 SlpCreateFont(const QString&, qint32, qint32) override { return 0; }
    void SlpDrawTextXY(qint32, qint32, qint32, const QString&) override {}
    void SlpSetBarCodeStyle(qint32, qint32, qint32, qint32, bool, qint32, qint32, const QString&) override {}
    void SlpDrawBarCode(qint32, qint32, qint32, qint32, const QString&) override {}
    void SlpDrawPicture(qint32, qint32, qint32, qint32, const QString&) override {}
    bool SlpEndLabel() override { return true; }
    void SlpDeleteFont(qint32) override {}
    void SlpClosePrinter() override {}

    int opened = 0;
};

// The real pause without its wait: the event loop turns once, as it does between labels. Then a
// probe runs, where the window's state can be looked at and input sent to it.
class RecordingPause final : public Pause {
public:
    void sleep(int) override {
        ++pauses;
        mLoop.sleep(0);
        if (duringJob)
            duringJob();
    }
    int pauses = 0;
    std::function<void()> duringJob;

private:
    EventLoopPause mLoop;
};

// The window over a real embedded database file with two customers, shown and active.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        mModule.settings.VersionText = QStringLiteral("1.0");
        mModule.settings.Database = mDir.filePath(QStringLiteral("samples"));
        QFile(mModule.settings.Database + QStringLiteral(".sqlite")).open(QIODevice::WriteOnly);
        mModule.settings.BarcodePrinter1 = QStringLiteral("Smart Label Printer 450");
        mModule.settings.BarcodePrinter2 = QStringLiteral("Smart Label Printer 450");
        mModule.settings.BarcodePrinter3 = QStringLiteral("Smart Label Printer 240");
        mModule.printer7x32 = &mPrinter;
        mModule.printer62 = &mPrinter;
        mModule.pause = &mPause;
        mModule.window = [this]() -> JobBoxes& {
            if (!mWindow)
                mWindow = std::make_unique<frmMain>(mModule);
            return *mWindow;
        };
        ResetLabelJob(mModule);
        OpenConnection(mModule.db, mModule.settings, mDir.path());
        run(QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) VALUES ('701', 'Gärtnerei Grünwald')"));
        run(QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) VALUES ('401', 'Rosenhof Weber')"));

        mWindow->setEndProcess([this](int status) {
            ++mEnded;
            mEndStatus = status;
        });
        mWindow->show();
        QApplication::setActiveWindow(mWindow.get());
        ASSERT_TRUE(mWindow->isActiveWindow());
    }
    void TearDown() override {
        mWindow.reset();
        CloseConnection(mModule.db);
    }

    template <typename T = QWidget> T* control(const char* name) const {
        return mWindow->findChild<T*>(QLatin1String(name));
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QString focusName() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QString();
    }

    TestQuery run(const QString& statement) {
        TestQuery query(mModule.db, statement);
        EXPECT_TRUE(query.ok()) << statement.toStdString();
        return query;
    }
    QStringList recordedSamples() {
        TestQuery query = run(QStringLiteral("SELECT SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID"));
        QStringList rows;
        while (query.next())
            rows << query.value(0).toString() + (query.value(1).toString().isEmpty() ? "" : "+code");
        return rows;
    }

    QTemporaryDir mDir;
    RecordingPrinter mPrinter;
    RecordingPause mPause;
    MainModule mModule;
    std::unique_ptr<frmMain> mWindow;
    int mEnded = 0;
    int mEndStatus = -1;
};
