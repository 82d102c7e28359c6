#pragma once

#include "JobBoxes.h"
#include "JobRequest.h"
#include "LabelJob.h"
#include "StopRequest.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

class BoxLineEdit;
class QLabel;
class QPushButton;
class ReprintDialog;
struct JobReport;
struct MainModule;

// The tool's one window: two input boxes, the name line and the job buttons. Its handlers turn
// presses and focus changes into calls into the application core. A job runs inside its click;
// the job's pauses keep the window painting, the name line shows the progress, every press but
// CLOSE is dropped, and a close waits for the label in hand to have its row and its stickers.
class frmMain : public QWidget, public JobBoxes {
    Q_OBJECT
public:
    // Runs the load step: title, empty boxes, the four "Fluid" buttons hidden and disabled.
    explicit frmMain(MainModule& module, QWidget* parent = nullptr);
    ~frmMain() override;

    QString text2() const override;
    void setText1(const QString& text) override;
    void setText2(const QString& text) override;

    // Command1 to Command9, Text1 and Text2; Command10 and CMD_Close stay enabled.
    void disable_CTRLS();
    void Enable_CTRLS();

    // What ends the process after the connection is released: CMD_Close with status 0, a job
    // that ended on an error with 1. Ends it at once by default.
    void setEndProcess(std::function<void(int status)> endProcess);

    // What the desk still owes from earlier jobs, in the lost-sticker message; nothing when it owes
    // nothing. At start-up and before each job.
    void showOwedStickers();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Which close was asked for during a job, to be carried out once the job has stopped.
    enum class CloseRequest { None, CloseButton, CloseBox };

    void connectHandlers();
    // The load step: the title, empty boxes, the four "Fluid" buttons hidden and disabled.
    void load();
    void runFixedJob(const QString& customerId, qint16 labelCount, JobKind kind);
    void runBoxJob(JobKind kind);
    // Runs the job once check finds no box to correct.
    void runCheckedJob(const std::function<JobBox()>& check, const std::function<LabelJob()>& job,
                       bool clearNameLine);
    void runJob(bool clearNameLine);
    void showProgress(int label, int total);
    // The German message of lost stickers; where there is no screen, on standard error.
    void showLostStickers(const JobReport& report);
    // F5 or Ctrl+P: the dialog that prints recorded samples' stickers again.
    void openReprintDialog();
    void text1FocusEntered(Qt::FocusReason reason);
    void text1FocusLeft(Qt::FocusReason reason);
    void text2FocusLeft(Qt::FocusReason reason);
    void closeClicked();
    void giveFocusBack(JobBox box);
    QList<QWidget*> jobControls() const;

    MainModule& mModule;
    QPixmap mBackground;
    std::function<void(int status)> mEndProcess;
    bool mGivingFocusBack = false;
    bool mJobRunning = false;
    CloseRequest mCloseRequest = CloseRequest::None;
    StopRequest* mStop = nullptr; // the running job's
    QPointer<ReprintDialog> mReprintDialog;

    QLabel* const mLblKem;
    BoxLineEdit* const mText1;
    BoxLineEdit* const mText2;
    QPushButton* const mCommand9;
    QPushButton* const mCmdClose;
    QPushButton* const mCommand1;
    QPushButton* const mCommand2;
    QPushButton* const mCommand3;
    QPushButton* const mCommand4;
    QPushButton* const mCommand5;
    QPushButton* const mCommand6;
    QPushButton* const mCommand7;
    QPushButton* const mCommand8;
    QLabel* const mLabel2;
    QLabel* const mLabel3;
    QPushButton* const mCommand10;
    QLabel* const mLabel1;
};
