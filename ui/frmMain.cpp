#include "frmMain.h"

#include "AppError.h"
#include "BoxLineEdit.h"
#include "CustomerLookup.h"
#include "DbConnection.h"
#include "DeskOwes.h"
#include "FatalError.h"
#include "JobInputFilter.h"
#include "LostStickers.h"
#include "LostStickersDialog.h"
#include "MainModule.h"
#include "MessageBoxes.h"
#include "NumberText.h"
#include "ReprintDialog.h"
#include "SystemLog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

namespace {

const QString kTitle = QStringLiteral("Zadad Arazoro Verovidiv KELD & ZUL Vers.. ");
const QString kMakerLine = QStringLiteral("Velmora Labortechnik");

// Positions and sizes of the layout are in twips; 15 twips are one pixel at 96 dpi.
constexpr int twips(int value) {
    return value / 15;
}

QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

// Asked for by its name; where it is missing, Liberation Sans keeps the captions of the big
// buttons inside them (fontconfig's usual stand-in is too wide for "4 Tests").
QFont msSansSerif(qreal points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

const QColor kWhite(255, 255, 255);
const QColor kLightGreen(192, 255, 192);
const QColor kGreen(0, 255, 0);
const QColor kPink(255, 192, 192);
const QColor kLightRed(255, 128, 128);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

BoxLineEdit* makeBox(QWidget* parent, const char* name, const QRect& geometry) {
    auto* box = new BoxLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}

// The system's menu background, which the two wide buttons take.
QColor menuColour() {
    return QApplication::palette("QMenu").color(QPalette::Window);
}

// Filled flat with the colour, where the platform style would shade it with a gradient; raised
// by a border that sinks while the button is down and darkens while it has the focus. No focus
// rectangle: once Tab was pressed in an active window the platform style would wash the whole
// face with its highlight colour. The text keeps the system's button-text colour.
QString flatFill(const QColor& background) {
    return QStringLiteral(
               "QPushButton { background-color: %1; border: 2px outset palette(dark); outline: none; }"
               "QPushButton:pressed { border-style: inset; }"
               "QPushButton:focus { border-color: palette(shadow); }")
        .arg(background.name());
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                        const QColor& background) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    // No button answers Enter or Escape.
    button->setAutoDefault(false);
    button->setDefault(false);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, background);
    button->setPalette(palette);
    return button;
}

QPushButton* makeBigButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                           const QColor& background) {
    QPushButton* button = makeButton(parent, name, caption, geometry, background);
    button->setFont(msSansSerif(12, true));
    return button;
}

QIcon makeWindowIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/velmora/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

bool isBetweenControls(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void endProcessNow(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace

// The pictures live in this static library; the linker keeps them only when asked for.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

frmMain::frmMain(MainModule& module, QWidget* parent)
    : QWidget(parent), mModule(module),
      mBackground((initResources(), QStringLiteral(":/velmora/background.jpg"))), mEndProcess(endProcessNow),
      mLblKem(makeLabel(this, "lblKem", kMakerLine, twipsRect(4560, 120, 1935, 255))),
      mText1(makeBox(this, "Text1", twipsRect(1440, 840, 735, 375))),
      mText2(makeBox(this, "Text2", twipsRect(3120, 840, 615, 375))),
      mCommand9(makeButton(this, "Command9", QStringLiteral("&LARGE LABEL"), twipsRect(3960, 360, 1575, 375),
                           menuColour())),
      mCmdClose(
          makeButton(this, "CMD_Close", QStringLiteral("&CLOSE"), twipsRect(2640, 3480, 1575, 375), kWhite)),
      mCommand1(makeBigButton(this, "Command1", QStringLiteral("1 Test"), twipsRect(1080, 1800, 855, 735),
                              kLightGreen)),
      mCommand2(makeButton(this, "Command2", QStringLiteral("Fluid 1x"), twipsRect(-120, -120, 855, 735),
                           kLightGreen)),
      mCommand3(makeBigButton(this, "Command3", QStringLiteral("4 Tests"), twipsRect(2280, 1800, 855, 735),
                              kGreen)),
      mCommand4(
          makeButton(this, "Command4", QStringLiteral("Fluid 4x"), twipsRect(1320, 0, 855, 735), kGreen)),
      mCommand5(
          makeBigButton(this, "Command5", QStringLiteral("1 Test"), twipsRect(3720, 1800, 855, 735), kPink)),
      mCommand6(
          makeButton(this, "Command6", QStringLiteral("Fluid 1x"), twipsRect(6000, 480, 855, 735), kPink)),
      mCommand7(makeBigButton(this, "Command7", QStringLiteral("4 Tests"), twipsRect(4920, 1800, 855, 735),
                              kLightRed)),
      mCommand8(makeButton(this, "Command8", QStringLiteral("Fluid 4x"), twipsRect(6000, 1440, 855, 735),
                           kLightRed)),
      mLabel2(makeLabel(this, "Label2", QStringLiteral("Kunden Nr.:"), twipsRect(120, 840, 1215, 375))),
      mLabel3(makeLabel(this, "Label3", QStringLiteral("Anzahl:"), twipsRect(2280, 840, 855, 375))),
      mCommand10(makeButton(this, "Command10", QStringLiteral("&SMALL BC"), twipsRect(3960, 840, 1575, 375),
                            menuColour())),
      mLabel1(makeLabel(this, "Label1", QString(), twipsRect(1440, 1320, 4095, 375))) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Rarirar Uvadidedi"));
    setWindowIcon(makeWindowIcon());
    setFixedSize(twips(6990), twips(5160));

    setFont(msSansSerif(9.75));
    mLblKem->setFont(msSansSerif(8.25));
    mLblKem->setAlignment(Qt::AlignRight | Qt::AlignTop);
    mLabel2->setFont(msSansSerif(9.75, true));
    mLabel3->setFont(msSansSerif(9.75, true));

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, kWhite);
    setPalette(windowPalette);
    setAutoFillBackground(true);
    // The name line is opaque white over the picture.
    mLabel1->setAutoFillBackground(true);
    // Once the fonts are in place: a style sheet keeps the font its widget had when it was set.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setStyleSheet(flatFill(button->palette().color(QPalette::Button)));

    // Tab order of the layout; the hidden buttons keep their places and are skipped while hidden.
    const QList<QWidget*> tabOrder{mText1,    mText2,    mCommand9, mCmdClose, mCommand1,
                                   mCommand2, mCommand3, mCommand4, mCommand5, mCommand6,
                                   mCommand7, mCommand8, mCommand10};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    mText1->setFocus();

    connectHandlers();
    mModule.progress = [this](int label, int total) { showProgress(label, total); };
    load();
}

void frmMain::load() {
    setWindowTitle(kTitle + mModule.settings.VersionText);
    setWindowIconText(windowTitle()); // the name a minimised window shows
    mText1->clear();
    mText2->clear();
    for (QPushButton* fluid : {mCommand2, mCommand4, mCommand6, mCommand8}) {
        fluid->setVisible(false);
        fluid->setEnabled(false);
    }
}

frmMain::~frmMain() {
    mModule.progress = nullptr;
    // The boxes lose the focus while QWidget deletes them, after this part of the window is gone.
    disconnect(mText1, nullptr, this, nullptr);
    disconnect(mText2, nullptr, this, nullptr);
}

void frmMain::connectHandlers() {
    // Command1 to Command8: a fixed customer, label count and kind each.
    const auto fixedJob = [this](QPushButton* button, const char* customerId, qint16 labelCount,
                                 JobKind kind) {
        connect(button, &QPushButton::clicked, this, [this, customerId, labelCount, kind] {
            runFixedJob(QString::fromLatin1(customerId), labelCount, kind);
        });
    };
    fixedJob(mCommand1, "701", 1, SingleTest);
    fixedJob(mCommand2, "703", 1, SingleTest);
    fixedJob(mCommand3, "705", 4, FourTests);
    fixedJob(mCommand4, "707", 4, FourTests);
    fixedJob(mCommand5, "401", 1, SingleTest);
    fixedJob(mCommand6, "403", 1, SingleTest);
    fixedJob(mCommand7, "405", 4, FourTests);
    fixedJob(mCommand8, "407", 4, FourTests);

    connect(mCommand9, &QPushButton::clicked, this, [this] { runBoxJob(LargeLabel); });
    connect(mCommand10, &QPushButton::clicked, this, [this] { runBoxJob(SmallBarcode); });
    connect(mCmdClose, &QPushButton::clicked, this, &frmMain::closeClicked);

    // Printing recorded samples' stickers again; no control of the layout is added for it.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_P)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &frmMain::openReprintDialog);

    connect(mText1, &BoxLineEdit::focusEntered, this, &frmMain::text1FocusEntered);
    connect(mText1, &BoxLineEdit::focusLeft, this, &frmMain::text1FocusLeft);
    connect(mText2, &BoxLineEdit::focusLeft, this, &frmMain::text2FocusLeft);
}

QString frmMain::text2() const {
    return mText2->text();
}

void frmMain::setText1(const QString& text) {
    mText1->setText(text);
}

void frmMain::setText2(const QString& text) {
    mText2->setText(text);
}

QList<QWidget*> frmMain::jobControls() const {
    return {mCommand1, mCommand2, mCommand3, mCommand4, mCommand5, mCommand6,
            mCommand7, mCommand8, mCommand9, mText1,    mText2};
}

void frmMain::disable_CTRLS() {
    for (QWidget* control : jobControls())
        control->setEnabled(false);
}

void frmMain::Enable_CTRLS() {
    for (QWidget* control : jobControls())
        control->setEnabled(true);
}

void frmMain::setEndProcess(std::function<void(int status)> endProcess) {
    mEndProcess = std::move(endProcess);
}

void frmMain::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // Drawn at its own size from the top-left; the strip beyond it stays white.
    QPainter(this).drawPixmap(0, 0, mBackground);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (mJobRunning) {
        if (mCloseRequest == CloseRequest::None)
            mCloseRequest = CloseRequest::CloseBox;
        mStop->request();
        event->ignore();
        return;
    }
    // Unload step.
    CloseConnection(mModule.db);
    event->accept();
}

void frmMain::runFixedJob(const QString& customerId, qint16 labelCount, JobKind kind) {
    // A repeat count the job could not convert would end the process before anything is drawn.
    runCheckedJob([&] { return CheckFixedPress(customerId, mText2->text()); },
                  [&] {
                      return LabelJob{customerId, labelCount, kind, 1};
                  },
                  false);
}

void frmMain::runBoxJob(JobKind kind) {
    // Boxes that cannot make a sound job would end the process or record malformed numbers.
    runCheckedJob([&] { return CheckBoxPress(mText1->text(), mText2->text()); },
                  [&] {
                      return LabelJob{mText1->text(), ToInteger16(mText2->text()), kind, 1};
                  },
                  true);
}

void frmMain::runCheckedJob(const std::function<JobBox()>& check, const std::function<LabelJob()>& job,
                            bool clearNameLine) {
    if (mJobRunning) // Command10 stays enabled during a job, and a click can come by other ways
        return;
    ReportingErrors([&] {
        if (const JobBox box = check(); box != JobBox::None) {
            giveFocusBack(box);
            return;
        }
        const LabelJob next = job();
        mModule.job.CustomerId = next.CustomerId;
        mModule.job.LabelCount = next.LabelCount;
        mModule.job.Kind = next.Kind;
        runJob(clearNameLine);
    });
}

// The job's pauses run the event loop: the window paints itself, and a close is noted for the
// job to end on. Every other press that reaches the window meanwhile is dropped.
void frmMain::runJob(bool clearNameLine) {
    showOwedStickers();
    disable_CTRLS();
    const QString nameLine = mLabel1->text();
    JobReport report;
    {
        StopRequest stop;
        const QScopedValueRollback running(mJobRunning, true);
        const QScopedValueRollback stopping(mStop, &stop);
        const JobInputFilter dropInput(this, mCmdClose);
        report = RunLabelJob(mModule, stop);
        // Presses that waited for the end of the job find the controls still disabled.
        QCoreApplication::processEvents();
    }
    mLabel1->setText(nameLine);
    if (clearNameLine)
        mLabel1->clear();
    const CloseRequest close = std::exchange(mCloseRequest, CloseRequest::None);
    if (!report.error.isEmpty()) {
        // The job ended on an error: told to the administrator and the operator, then the tool
        // ends as on every error.
        TellAdministrator(QStringLiteral("Job ended on an error: ") + report.error);
        showLostStickers(report);
        CloseConnection(mModule.db);
        mEndProcess(1);
        return;
    }
    if (close == CloseRequest::None)
        Enable_CTRLS();
    if (!report.lostStickers.isEmpty())
        showLostStickers(report);
    if (close == CloseRequest::CloseButton)
        closeClicked();
    else if (close == CloseRequest::CloseBox)
        this->close();
}

void frmMain::showOwedStickers() {
    JobReport owed;
    try {
        owed = OwedSinceEarlier(mModule);
    } catch (const AppError& error) {
        // The job that follows meets the database's trouble itself and reports it.
        std::fprintf(stderr, "The stickers this desk owes could not be read: %s\n",
                     qPrintable(error.description()));
        std::fflush(stderr);
        return;
    }
    if (!owed.lostStickers.isEmpty())
        showLostStickers(owed);
}

void frmMain::showLostStickers(const JobReport& report) {
    LostStickersDialog dialog(mModule, report, this);
    if (HasScreen()) {
        dialog.exec();
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(dialog.text()));
    std::fflush(stderr);
}

void frmMain::openReprintDialog() {
    if (mJobRunning || (mReprintDialog && mReprintDialog->isVisible()))
        return;
    auto* dialog = new ReprintDialog(mModule, this);
    mReprintDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        JobReport lost;
        lost.lostStickers = dialog->lostStickers();
        if (!lost.lostStickers.isEmpty())
            showLostStickers(lost);
    });
    dialog->open();
}

void frmMain::showProgress(int label, int total) {
    mLabel1->setText(QStringLiteral("Etikett %1 von %2").arg(label).arg(total));
}

void frmMain::text1FocusEntered(Qt::FocusReason reason) {
    if (isBetweenControls(reason))
        mLabel1->clear();
}

void frmMain::text1FocusLeft(Qt::FocusReason reason) {
    if (mGivingFocusBack || !isBetweenControls(reason))
        return;
    ReportingErrors([&] {
        const QString text = mText1->text();
        if (text.isEmpty())
            return;
        if (!CustomerBoxAccepted(text))
            giveFocusBack(JobBox::Text1);
        // Looked up either way; an invalid number finds no customer.
        mLabel1->setText(LookupCustomerName(mModule.db, text));
    });
}

void frmMain::text2FocusLeft(Qt::FocusReason reason) {
    if (mGivingFocusBack || !isBetweenControls(reason))
        return;
    ReportingErrors([&] {
        const QString text = mText2->text();
        if (!text.isEmpty() && !CountBoxAccepted(text))
            giveFocusBack(JobBox::Text2);
    });
}

void frmMain::giveFocusBack(JobBox box) {
    BoxLineEdit* const target = box == JobBox::Text1 ? mText1 : mText2;
    // The box the focus leaves on the way back runs no check of its own: with two invalid boxes
    // the checks would otherwise hand the focus to and fro for ever.
    mGivingFocusBack = true;
    target->setFocus(Qt::OtherFocusReason);
    mGivingFocusBack = false;
    target->setSelection(0, static_cast<int>(target->text().size()));
}

void frmMain::closeClicked() {
    if (mJobRunning) {
        mCloseRequest = CloseRequest::CloseButton;
        mStop->request();
        return;
    }
    ReportingErrors([&] {
        CloseConnection(mModule.db);
        mEndProcess(0);
    });
}
