#include "WindowFixture.h"

#include <QLabel>
#include <QTest>

namespace {

constexpr int px(int twips) {
    return twips / 15;
}

struct ControlRow {
    const char* name;
    const char* kind;
    const char* caption;
    int left, top, width, height; // twips
    qreal points;
    bool bold;
    bool shown; // after the load step
};

// The layout table, in tab index order.
const ControlRow kControls[] = {
    {"lblKem", "QLabel", "Velmora Labortechnik", 4560, 120, 1935, 255, 8.25, false, true},
    {"Text1", "BoxLineEdit", "", 1440, 840, 735, 375, 9.75, false, true},
    {"Text2", "BoxLineEdit", "", 3120, 840, 615, 375, 9.75, false, true},
    {"Command9", "QPushButton", "&LARGE LABEL", 3960, 360, 1575, 375, 9.75, false, true},
    {"CMD_Close", "QPushButton", "&CLOSE", 2640, 3480, 1575, 375, 9.75, false, true},
    {"Command1", "QPushButton", "1 Test", 1080, 1800, 855, 735, 12, true, true},
    {"Command2", "QPushButton", "Fluid 1x", -120, -120, 855, 735, 9.75, false, false},
    {"Command3", "QPushButton", "4 Tests", 2280, 1800, 855, 735, 12, true, true},
    {"Command4", "QPushButton", "Fluid 4x", 1320, 0, 855, 735, 9.75, false, false},
    {"Command5", "QPushButton", "1 Test", 3720, 1800, 855, 735, 12, true, true},
    {"Command6", "QPushButton", "Fluid 1x", 6000, 480, 855, 735, 9.75, false, false},
    {"Command7", "QPushButton", "4 Tests", 4920, 1800, 855, 735, 12, true, true},
    {"Command8", "QPushButton", "Fluid 4x", 6000, 1440, 855, 735, 9.75, false, false},
    {"Label2", "QLabel", "Kunden Nr.:", 120, 840, 1215, 375, 9.75, true, true},
    {"Label3", "QLabel", "Anzahl:", 2280, 840, 855, 375, 9.75, true, true},
    {"Command10", "QPushButton", "&SMALL BC", 3960, 840, 1575, 375, 9.75, false, true},
    {"Label1", "QLabel", "", 1440, 1320, 4095, 375, 9.75, false, true},
};

QString captionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return qobject_cast<QLineEdit*>(widget)->text();
}

class WindowLayoutTest : public WindowFixture {};

TEST_F(WindowLayoutTest, EveryControlOfTheLayoutTable) {
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        QWidget* widget = control(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        EXPECT_EQ(captionOf(widget), QString::fromUtf8(row.caption));
        EXPECT_EQ(widget->geometry(), QRect(px(row.left), px(row.top), px(row.width), px(row.height)));
        EXPECT_EQ(widget->font().family(), QStringLiteral("MS Sans Serif"));
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), row.points);
        EXPECT_EQ(widget->font().bold(), row.bold);
        EXPECT_EQ(widget->isVisible(), row.shown);
        // The hidden buttons are disabled too; the rest start enabled.
        EXPECT_EQ(widget->isEnabled(), row.shown);
    }
}

TEST_F(WindowLayoutTest, WindowAfterTheLoadStep) {
    EXPECT_EQ(mWindow->objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(mWindow->windowTitle(), QStringLiteral("Zadad Arazoro Verovidiv KELD & ZUL Vers.. 1.0"));
    EXPECT_EQ(mWindow->size(), QSize(466, 344));
    EXPECT_EQ(mWindow->minimumSize(), mWindow->maximumSize());
    EXPECT_EQ(focusName(), QStringLiteral("Text1"));
    EXPECT_TRUE(box("Text1")->text().isEmpty());
    EXPECT_TRUE(box("Text2")->text().isEmpty());
    EXPECT_TRUE(control<QLabel>("Label1")->text().isEmpty());
    for (const int size : {16, 32, 48, 64, 256})
        EXPECT_EQ(mWindow->windowIcon().pixmap(size).size(), QSize(size, size)) << size;
}

// Buttons are filled flat with their own colour, the two wide ones with the system's menu
// background; the window and the name line are white.
TEST_F(WindowLayoutTest, ColoursAndPicture) {
    const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);
    const struct {
        const char* name;
        QColor colour;
    } buttons[] = {{"CMD_Close", QColor(255, 255, 255)},
                   {"Command1", QColor(192, 255, 192)},
                   {"Command2", QColor(192, 255, 192)},
                   {"Command3", QColor(0, 255, 0)},
                   {"Command4", QColor(0, 255, 0)},
                   {"Command5", QColor(255, 192, 192)},
                   {"Command6", QColor(255, 192, 192)},
                   {"Command7", QColor(255, 128, 128)},
                   {"Command8", QColor(255, 128, 128)},
                   {"Command9", menu},
                   {"Command10", menu}};
    const QImage shot = mWindow->grab().toImage();
    // A key press moves the focus first, as at the desk: from then on the style draws focus frames.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    for (const auto& row : buttons) {
        EXPECT_EQ(button(row.name)->palette().color(QPalette::Button), row.colour) << row.name;
        const QRect face = button(row.name)->geometry();
        if (!button(row.name)->isVisible())
            continue;
        // Inside the border, top and bottom of the face, left of the caption: no gradient, also
        // while the button has the focus (as SMALL BC has after every job).
        button(row.name)->setFocus(Qt::TabFocusReason);
        const QImage focused = mWindow->grab().toImage();
        for (const int y : {face.top() + 3, face.bottom() - 3}) {
            EXPECT_EQ(QColor(shot.pixel(face.left() + 4, y)), row.colour) << row.name << " at " << y;
            EXPECT_EQ(QColor(focused.pixel(face.left() + 4, y)), row.colour)
                << row.name << " focused at " << y;
        }
    }

    EXPECT_TRUE(control<QLabel>("Label1")->autoFillBackground());
    EXPECT_EQ(control<QLabel>("Label1")->palette().color(QPalette::Window), QColor(Qt::white));
    // The strip beyond the 450 x 322 picture is the window's white.
    EXPECT_EQ(QColor(shot.pixel(460, 340)), QColor(Qt::white));
    // The green logo lies below the green buttons, the red one below the pink and red ones.
    const auto hasColour = [&](QRect area, auto isColour) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (isColour(QColor(shot.pixel(x, y))))
                    return true;
        return false;
    };
    const auto greenish = [](QColor c) { return c.green() > 120 && c.red() < 90 && c.blue() < 110; };
    const auto reddish = [](QColor c) { return c.red() > 160 && c.green() < 80 && c.blue() < 80; };
    EXPECT_TRUE(hasColour(QRect(60, 260, 160, 60), greenish));
    EXPECT_TRUE(hasColour(QRect(235, 260, 160, 60), reddish));
    EXPECT_FALSE(hasColour(QRect(235, 260, 160, 60), greenish));
}

TEST_F(WindowLayoutTest, TabOrderSkipsLabelsAndHiddenButtons) {
    QStringList order{focusName()};
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << focusName();
    }
    EXPECT_EQ(order, QStringList({"Text1", "Text2", "Command9", "CMD_Close", "Command1", "Command3",
                                  "Command5", "Command7", "Command10", "Text1"}));
}

TEST_F(WindowLayoutTest, NoButtonAnswersEnterOrEscape) {
    for (QPushButton* each : mWindow->findChildren<QPushButton*>()) {
        EXPECT_FALSE(each->autoDefault()) << each->objectName().toStdString();
        EXPECT_FALSE(each->isDefault()) << each->objectName().toStdString();
    }
    box("Text1")->setText(QStringLiteral("123"));
    box("Text2")->setText(QStringLiteral("1"));
    QTest::keyClick(box("Text1"), Qt::Key_Return);
    QTest::keyClick(box("Text1"), Qt::Key_Escape);
    EXPECT_TRUE(recordedSamples().isEmpty());
    EXPECT_EQ(mEnded, 0);
}

} // namespace
