#include "WindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTest>

namespace {

const QString kNoCustomer = QStringLiteral("Kunde nicht angelegt!");

// Runs a probe on each event of one type that reaches one object.
class EventProbe final : public QObject {
public:
    EventProbe(QObject* target, QEvent::Type type, std::function<void()> probe)
        : mType(type), mProbe(std::move(probe)) {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == mType)
            mProbe();
        return false;
    }

private:
    QEvent::Type mType;
    std::function<void()> mProbe;
};

class WindowBehaviourTest : public WindowFixture {
protected:
    // Counted through a connection of its own: the one of the window may be released already.
    int storedRows() const {
        int rows = -1;
        {
            QSqlDatabase probe =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
            probe.setDatabaseName(mDir.filePath(QStringLiteral("samples.sqlite")));
            if (probe.open()) {
                QSqlQuery count(probe);
                if (count.exec(QStringLiteral("SELECT count(*) FROM SAMPLE_ORG")) && count.next())
                    rows = count.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
        return rows;
    }
    QString label1() const { return control<QLabel>("Label1")->text(); }

    // Types into a box that has the focus and leaves it with Tab, as the operator does.
    void typeAndTab(const char* boxName, const char* text) {
        QLineEdit* target = box(boxName);
        target->setFocus(Qt::TabFocusReason);
        target->clear();
        QTest::keyClicks(target, QString::fromUtf8(text));
        QTest::keyClick(target, Qt::Key_Tab);
    }
    void expectFocusBackSelected(const char* boxName) {
        EXPECT_EQ(focusName(), QLatin1String(boxName));
        if (!box(boxName)->text().isEmpty()) {
            EXPECT_EQ(box(boxName)->selectionStart(), 0);
        }
        EXPECT_EQ(box(boxName)->selectedText(), box(boxName)->text());
    }
};

struct Text1Row {
    const char* text;
    bool accepted;
    const char* label1; // nullptr: the lookup finds no customer
};

class Text1CheckTest : public WindowBehaviourTest, public ::testing::WithParamInterface<Text1Row> {};

TEST_P(Text1CheckTest, LeavingText1ChecksAndLooksUp) {
    const Text1Row& row = GetParam();
    typeAndTab("Text1", row.text);
    if (row.accepted)
        EXPECT_EQ(focusName(), QStringLiteral("Text2"));
    else
        expectFocusBackSelected("Text1");
    EXPECT_EQ(label1(), row.label1 ? QString::fromUtf8(row.label1) : kNoCustomer);
}

INSTANTIATE_TEST_SUITE_P(Rows, Text1CheckTest,
                         ::testing::Values(Text1Row{"12", false, nullptr}, Text1Row{"1234", false, nullptr},
                                           Text1Row{"abc", false, nullptr},
                                           Text1Row{"701", true, "Gärtnerei Grünwald"},
                                           Text1Row{"999", true, nullptr}));

struct Text2Row {
    const char* text;
    bool accepted;
};

class Text2CheckTest : public WindowBehaviourTest, public ::testing::WithParamInterface<Text2Row> {};

TEST_P(Text2CheckTest, LeavingText2ChecksTheCount) {
    typeAndTab("Text2", GetParam().text);
    if (GetParam().accepted)
        EXPECT_EQ(focusName(), QStringLiteral("Command9"));
    else
        expectFocusBackSelected("Text2");
}

INSTANTIATE_TEST_SUITE_P(Rows, Text2CheckTest,
                         ::testing::Values(Text2Row{"0", false}, Text2Row{"100", false}, Text2Row{"x", false},
                                           Text2Row{"1", true}, Text2Row{"99", true}, Text2Row{"2.5", true},
                                           Text2Row{"", true}));

TEST_F(WindowBehaviourTest, NameLineEmptiedOnEnteringText1AndKeptForAnEmptyBox) {
    typeAndTab("Text1", "701");
    ASSERT_EQ(label1(), QStringLiteral("Gärtnerei Grünwald"));
    QTest::keyClick(box("Text2"), Qt::Key_Backtab);
    EXPECT_EQ(focusName(), QStringLiteral("Text1"));
    EXPECT_TRUE(label1().isEmpty());
    typeAndTab("Text1", "");
    EXPECT_TRUE(label1().isEmpty());
    EXPECT_EQ(focusName(), QStringLiteral("Text2"));
}

// Two invalid boxes: the focus goes back once and stays, instead of being handed to and fro.
TEST_F(WindowBehaviourTest, TwoInvalidBoxesSettle) {
    box("Text2")->setText(QStringLiteral("x"));
    typeAndTab("Text1", "12");
    expectFocusBackSelected("Text1");

    box("Text1")->clear();
    box("Text2")->setFocus(Qt::TabFocusReason);
    box("Text1")->setText(QStringLiteral("12"));
    QTest::keyClick(box("Text2"), Qt::Key_Backtab);
    expectFocusBackSelected("Text2");
    QApplication::processEvents();
    EXPECT_EQ(focusName(), QStringLiteral("Text2"));
}

// Switching to another window is no focus change between controls: no check, no lookup.
TEST_F(WindowBehaviourTest, LeavingTheWindowRunsNoCheck) {
    QTest::keyClicks(box("Text1"), QStringLiteral("12"));
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_TRUE(label1().isEmpty());
    QApplication::setActiveWindow(mWindow.get());
    EXPECT_EQ(focusName(), QStringLiteral("Text1"));
    EXPECT_TRUE(label1().isEmpty());
}

struct PressRow {
    const char* button;
    const char* text1;
    const char* text2;
    const char* refusedBox; // nullptr: the job runs
    QStringList samples;    // recorded rows, "+code" where a code was drawn
};

class PressTest : public WindowBehaviourTest, public ::testing::WithParamInterface<PressRow> {};

TEST_P(PressTest, PressRunsItsJobOrIsRefused) {
    const PressRow& row = GetParam();
    box("Text1")->setText(QString::fromUtf8(row.text1));
    box("Text2")->setText(QString::fromUtf8(row.text2));
    button(row.button)->setFocus(Qt::TabFocusReason);
    button(row.button)->click();

    EXPECT_EQ(recordedSamples(), row.samples);
    if (row.refusedBox) {
        expectFocusBackSelected(row.refusedBox);
        EXPECT_EQ(mPrinter.opened, 0);
        EXPECT_EQ(box("Text1")->text(), QString::fromUtf8(row.text1));
        EXPECT_EQ(box("Text2")->text(), QString::fromUtf8(row.text2));
    } else {
        EXPECT_TRUE(box("Text1")->text().isEmpty());
        EXPECT_TRUE(box("Text2")->text().isEmpty());
        EXPECT_TRUE(box("Text1")->isEnabled());
        EXPECT_TRUE(button("Command9")->isEnabled());
    }
    EXPECT_EQ(mModule.job.CustomerId, QStringLiteral("0"));
    EXPECT_EQ(mModule.job.LabelCount, 0);
}

const QStringList kNone;
const QStringList k705{"70500001+code", "70500002+code", "70500003+code", "70500004+code"};
const QStringList k405{"40500001+code", "40500002+code", "40500003+code", "40500004+code"};

INSTANTIATE_TEST_SUITE_P(
    Rows, PressTest,
    ::testing::Values(
        PressRow{"Command1", "", "", nullptr, {"70100001+code"}},
        PressRow{"Command1", "", "2", nullptr, {"70100001+code", "70100002+code"}},
        PressRow{"Command3", "", "", nullptr, k705},
        PressRow{"Command5", "", "x", nullptr, {"40100001+code"}},
        PressRow{"Command7", "", "", nullptr, k405},
        PressRow{"Command9", "123", "2", nullptr, {"12300001", "12300002"}},
        PressRow{"Command10", "123", "1", nullptr, {"12300001+code"}},
        PressRow{"Command9", "701", "2", nullptr, {"70100001", "70100002", "70100003", "70100004"}},
        // Refused before anything is drawn.
        PressRow{"Command1", "", "x", "Text2", kNone}, PressRow{"Command3", "", "  ", "Text2", kNone},
        PressRow{"Command9", "12", "5", "Text1", kNone}, PressRow{"Command9", "1 3", "5", "Text1", kNone},
        PressRow{"Command9", "123", "", "Text2", kNone}, PressRow{"Command9", "123", "0", "Text2", kNone},
        PressRow{"Command10", "123", "100", "Text2", kNone},
        PressRow{"Command10", "abc", "x", "Text1", kNone},
        PressRow{"Command10", "123", "abc", "Text2", kNone},
        PressRow{"Command10", "012", "1", "Text1", kNone}, PressRow{"Command9", "123", "1e1", "Text2", kNone},
        PressRow{"Command1", "", "500", "Text2", kNone}, PressRow{"Command3", "", "0", "Text2", kNone},
        PressRow{"Command1", "", "-1", "Text2", kNone}));

TEST_F(WindowBehaviourTest, NameLineAfterAJob) {
    typeAndTab("Text1", "401");
    button("Command5")->click();
    EXPECT_EQ(label1(), QStringLiteral("Rosenhof Weber")); // the fixed buttons leave it

    typeAndTab("Text1", "701");
    box("Text2")->setText(QStringLiteral("1"));
    button("Command9")->click();
    EXPECT_TRUE(label1().isEmpty());
}

TEST_F(WindowBehaviourTest, JobControlsAreOffDuringAJob) {
    const QStringList names{"Command1", "Command2",  "Command3", "Command4", "Command5",
                            "Command6", "Command7",  "Command8", "Command9", "Text1",
                            "Text2",    "Command10", "CMD_Close"};
    QStringList enabledDuringJob;
    mPause.duringJob = [&] {
        enabledDuringJob.clear();
        for (const QString& name : names)
            if (control(name.toLatin1().constData())->isEnabled())
                enabledDuringJob << name;
    };
    button("Command5")->click();
    ASSERT_GT(mPause.pauses, 0);
    EXPECT_EQ(enabledDuringJob, QStringList({"Command10", "CMD_Close"}));

    // Enabling again also enables the hidden buttons; they stay hidden.
    for (const QString& name : names)
        EXPECT_TRUE(control(name.toLatin1().constData())->isEnabled()) << name.toStdString();
    EXPECT_FALSE(button("Command2")->isVisible());
}

// Command1 with "2" in Text2: a job of two labels, so two pauses.
const QStringList kTwo701{"70100001+code", "70100002+code"};

enum class Input { Click, DoubleClick, Space, AltS, CallClick };

struct InputRow {
    const char* name;
    const char* button;
    Input input;
    bool waitingAtTheEnd; // posted in the last pause: still queued when the job returns
    int command10Pressed; // a programmatic click() presses too, and must still run nothing
};

void post(QWidget* target, QEvent::Type type) {
    const QPointF centre = QRectF(target->rect()).center();
    QCoreApplication::postEvent(
        target,
        new QMouseEvent(type, centre, target->mapToGlobal(centre), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier));
}

class InputDuringJobTest : public WindowBehaviourTest, public ::testing::WithParamInterface<InputRow> {
protected:
    void send(const InputRow& row) {
        QPushButton* target = button(row.button);
        switch (row.input) {
        case Input::DoubleClick:
            post(target, QEvent::MouseButtonPress);
            post(target, QEvent::MouseButtonRelease);
            post(target, QEvent::MouseButtonDblClick);
            post(target, QEvent::MouseButtonRelease);
            break;
        case Input::Click:
            post(target, QEvent::MouseButtonPress);
            post(target, QEvent::MouseButtonRelease);
            break;
        case Input::Space:
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(target, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier));
            break;
        case Input::AltS:
            QTest::keyClick(mWindow.get(), Qt::Key_S, Qt::AltModifier);
            break;
        case Input::CallClick:
            target->click();
            break;
        }
    }
};

// The boxes hold a sound SMALL BC job, which any press that got through would run as well.
TEST_P(InputDuringJobTest, RunsNoFurtherJob) {
    const InputRow& row = GetParam();
    box("Text1")->setText(QStringLiteral("123"));
    box("Text2")->setText(QStringLiteral("2"));
    QSignalSpy command10(button("Command10"), &QPushButton::pressed);
    mPause.duringJob = [&] {
        if (mPause.pauses == (row.waitingAtTheEnd ? 2 : 1))
            send(row);
    };
    button("Command1")->click();
    QApplication::processEvents();

    EXPECT_EQ(mPause.pauses, 2);
    EXPECT_EQ(recordedSamples(), kTwo701);
    EXPECT_EQ(command10.count(), row.command10Pressed);
    EXPECT_TRUE(button("Command1")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InputDuringJobTest,
    ::testing::Values(InputRow{"DoubleClickWaiting", "Command1", Input::DoubleClick, true, 0},
                      InputRow{"OtherButtonWaiting", "Command5", Input::Click, true, 0},
                      InputRow{"SmallBcClicked", "Command10", Input::Click, false, 0},
                      InputRow{"SmallBcSpace", "Command10", Input::Space, false, 0},
                      InputRow{"SmallBcMnemonic", "Command10", Input::AltS, false, 0},
                      InputRow{"SmallBcCalled", "Command10", Input::CallClick, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The pauses let the window paint: the name line shows where the job is, then what it showed.
TEST_F(WindowBehaviourTest, ProgressIsPaintedDuringAJob) {
    typeAndTab("Text1", "701");
    box("Text2")->setText(QStringLiteral("3"));
    QLabel* label1 = control<QLabel>("Label1");
    QStringList painted;
    EventProbe paints(label1, QEvent::Paint, [&] { painted << label1->text(); });
    button("Command1")->click();

    for (const char* progress : {"Etikett 1 von 3", "Etikett 2 von 3", "Etikett 3 von 3"})
        EXPECT_TRUE(painted.contains(QLatin1String(progress))) << progress;
    EXPECT_EQ(label1->text(), QStringLiteral("Gärtnerei Grünwald"));
}

struct CloseRow {
    const char* name;
    const char* button;
    const char* text2;
    int pause;     // the pause during which the operator closes
    bool closeBox; // the window's close box instead of CLOSE
    int rows;
    int stickers; // printers opened
};

class CloseDuringJobTest : public WindowBehaviourTest, public ::testing::WithParamInterface<CloseRow> {};

// The label in hand gets its row and all its stickers; a four-test pass ends with its batch sticker.
TEST_P(CloseDuringJobTest, EndsAfterTheLabelInHand) {
    const CloseRow& row = GetParam();
    box("Text2")->setText(QString::fromLatin1(row.text2));
    mPause.duringJob = [&] {
        if (mPause.pauses != row.pause)
            return;
        if (row.closeBox)
            EXPECT_FALSE(mWindow->close());
        else
            QTest::mouseClick(button("CMD_Close"), Qt::LeftButton);
    };
    button(row.button)->click();

    EXPECT_TRUE(mModule.db.connectionName.isEmpty());
    EXPECT_EQ(storedRows(), row.rows);
    EXPECT_EQ(mPrinter.opened, row.stickers);
    EXPECT_EQ(mEnded, row.closeBox ? 0 : 1);
    EXPECT_EQ(mWindow->isVisible(), !row.closeBox);
}

INSTANTIATE_TEST_SUITE_P(Rows, CloseDuringJobTest,
                         ::testing::Values(CloseRow{"CloseButton", "Command1", "3", 1, false, 1, 2},
                                           CloseRow{"CloseBox", "Command1", "3", 2, true, 2, 4},
                                           CloseRow{"CloseBoxFourTests", "Command3", "2", 2, true, 4, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MnemonicRow {
    Qt::Key key;
    const char* button;
};

class MnemonicTest : public WindowBehaviourTest, public ::testing::WithParamInterface<MnemonicRow> {};

// Qt clicks a button through its mnemonic after a short animation; the press itself starts at once.
TEST_P(MnemonicTest, AltLetterPressesItsButton) {
    QSignalSpy pressed(button(GetParam().button), &QPushButton::pressed);
    QTest::keyClick(QApplication::focusWidget(), GetParam().key, Qt::AltModifier);
    EXPECT_EQ(pressed.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, MnemonicTest,
                         ::testing::Values(MnemonicRow{Qt::Key_L, "Command9"},
                                           MnemonicRow{Qt::Key_S, "Command10"},
                                           MnemonicRow{Qt::Key_C, "CMD_Close"}));

TEST_F(WindowBehaviourTest, CloseButtonReleasesTheConnectionAndEnds) {
    button("CMD_Close")->click();
    EXPECT_EQ(mEnded, 1);
    EXPECT_TRUE(mModule.db.connectionName.isEmpty());
    EXPECT_TRUE(mWindow->isVisible()); // the process ends at once: no unload step
}

TEST_F(WindowBehaviourTest, ClosingTheWindowReleasesTheConnection) {
    EXPECT_TRUE(mWindow->close());
    EXPECT_TRUE(mModule.db.connectionName.isEmpty());
    EXPECT_EQ(mEnded, 0);
}

// F5 or Ctrl+P: sample numbers and a sticker, checked against the stored rows before anything
// prints; the job buttons and boxes stay as they are.
struct ReprintRow {
    const char* name;
    QKeyCombination key;
    const char* numbers;
    const char* kind;
    const char* refusal; // empty: printed, and the dialog closes
    int printersOpened;
};

class ReprintDialogTest : public WindowBehaviourTest, public ::testing::WithParamInterface<ReprintRow> {};

TEST_P(ReprintDialogTest, RefusesBeforeAnythingPrints) {
    const ReprintRow& row = GetParam();
    const QStringList samples{"70100001", "70100002", "70100003", "70500001", "40500001"};
    for (qsizetype i = 0; i < samples.size(); ++i)
        run(QStringLiteral(
                "INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) VALUES ('%1', '%2', "
                "'C0DE000%3', '2026-01-01 08:00:00')")
                .arg(samples[i].left(3), samples[i])
                .arg(i));
    QTest::keyClick(QApplication::focusWidget(), row.key.key(), row.key.keyboardModifiers());
    auto* dialog = mWindow->findChild<QDialog*>(QStringLiteral("ReprintDialog"));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    auto* kind = dialog->findChild<QComboBox*>(QStringLiteral("StickerKind"));
    kind->setCurrentIndex(kind->findData(QString::fromLatin1(row.kind)));
    dialog->findChild<QLineEdit*>(QStringLiteral("SampleIds"))->setText(QString::fromLatin1(row.numbers));
    dialog->findChild<QPushButton*>(QStringLiteral("Print"))->click();

    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("Refusal"))->text(), QString::fromUtf8(row.refusal));
    EXPECT_EQ(dialog->isVisible(), *row.refusal != 0);
    EXPECT_EQ(mPrinter.opened, row.printersOpened);
    EXPECT_EQ(storedRows(), 5) << "a reprint records nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReprintDialogTest,
    ::testing::Values(
        ReprintRow{"UnknownNumber", Qt::Key_F5, "70100001 70199999", "sample",
                   "Nicht erfasst: 70199999. Nichts gedruckt.", 0},
        ReprintRow{"BatchWithANumberTwice", Qt::CTRL | Qt::Key_P, "70100001, 70100002 70100001;70100003",
                   "batch", "70100001 steht doppelt da: verschiedene Proben-Nr. eingeben. Nichts gedruckt.",
                   0},
        ReprintRow{"BatchOfTwoCustomers", Qt::Key_F5, "70100001 70100002 70100003 70500001", "batch",
                   "Die 4 Proben gehören zu verschiedenen Kunden (701, 705). Nichts gedruckt.", 0},
        ReprintRow{"BatchOfFive", Qt::Key_F5, "70100001 70100002 70100003 70500001 40500001", "batch",
                   "Ein Ergebnisetikett für 4 Proben nimmt 1 bis 4 Proben-Nr., nicht 5. Nichts gedruckt.", 0},
        ReprintRow{"BatchOfACutOffPass", Qt::Key_F5, "70100001 70100002", "batch", "", 1},
        ReprintRow{"Printed", Qt::Key_F5, "70100002 40500001", "result", "", 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
