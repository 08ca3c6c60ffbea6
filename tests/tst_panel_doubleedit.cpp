#include "DoubleEdit.h"
#include "ParameterRanges.h"

#include <QApplication>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include <limits>
#include <memory>

namespace {

// Counts the key presses that a child passes up to it.
class KeyCatcher : public QWidget
{
public:
    int keyPresses = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        ++keyPresses;
        event->accept();
    }
};

void sendWheel(QWidget* widget, QPoint angleDelta)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), angleDelta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

ParameterRange between(double minimum, double maximum)
{
    ParameterRange range;
    range.minimum = minimum;
    range.maximum = maximum;
    return range;
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

bool textIs(const QWidget& widget, const QColor& color)
{
    const QPalette& pal = widget.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (pal.color(group, QPalette::Text) != color)
            return false;
    return true;
}

} // namespace

class TestDoubleEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keySteps_data();
    void keySteps();
    void steppingKeysStayInTheEdit();
    void wheelSteps_data();
    void wheelSteps();
    void wheelTakesFocus();
    void highlightsUnconfirmedEdits();
    void keepsColourWithoutHighlighting();
    void holdsBackIncompleteReturn();
    void readsTheNumberItAccepts_data();
    void readsTheNumberItAccepts();
    void keepsRefusedTextAndShowsWhy();
    void showsLargeAndSmallNumbersInScientific();
    void stepsStayInsideAnOpenBound();
};

void TestDoubleEdit::initTestCase()
{
    // As at program start: "." is the decimal point whatever the system says.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestDoubleEdit::keySteps_data()
{
    QTest::addColumn<int>("precision");
    QTest::addColumn<double>("step");
    QTest::addColumn<bool>("bounded");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("up") << 2 << 0.01 << false << "9.81" << int(Qt::Key_Up) << "9.82";
    QTest::newRow("down") << 2 << 0.01 << false << "9.81" << int(Qt::Key_Down) << "9.80";
    QTest::newRow("page up") << 2 << 0.01 << false << "9.81" << int(Qt::Key_PageUp) << "9.91";
    QTest::newRow("page down") << 2 << 0.01 << false << "9.81" << int(Qt::Key_PageDown) << "9.71";
    QTest::newRow("page down to bound")
        << 3 << 0.001 << true << "-0.995" << int(Qt::Key_PageDown) << "-1.000";
    QTest::newRow("up at bound") << 3 << 0.001 << true << "1.000" << int(Qt::Key_Up) << "1.000";
    QTest::newRow("typed beyond bound")
        << 3 << 0.001 << true << "5" << int(Qt::Key_Down) << "1.000";
    QTest::newRow("negative up") << 3 << 0.001 << false << "-1.000" << int(Qt::Key_Up) << "-0.999";
    QTest::newRow("below zero") << 2 << 0.01 << false << "0.00" << int(Qt::Key_Down) << "-0.01";
    QTest::newRow("not a number") << 2 << 0.01 << false << "" << int(Qt::Key_Up) << "0.01";
}

void TestDoubleEdit::keySteps()
{
    QFETCH(int, precision);
    QFETCH(double, step);
    QFETCH(bool, bounded);
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(QString, expected);

    DoubleEdit edit(precision, 0.0, step, true);
    if (bounded)
        edit.setRange(between(-1.0, 1.0));
    edit.setText(text);
    QSignalSpy finished(&edit, &QLineEdit::editingFinished);

    QTest::keyClick(&edit, Qt::Key(key));
    QCOMPARE(edit.text(), expected);
    QCOMPARE(finished.count(), 1);
}

void TestDoubleEdit::steppingKeysStayInTheEdit()
{
    KeyCatcher parent;
    auto* edit = new DoubleEdit(2, 1.0, 0.01, false, &parent);
    edit->setText("1.00");
    edit->setCursorPosition(1);
    for (auto key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown})
        QTest::keyClick(edit, key);
    QCOMPARE(parent.keyPresses, 0);
    QCOMPARE(edit->text(), QString("1.00"));

    // Other keys go to the line edit: Home moves the cursor, F2 is passed up.
    QTest::keyClick(edit, Qt::Key_Home);
    QCOMPARE(edit->cursorPosition(), 0);
    QTest::keyClick(edit, Qt::Key_F2);
    QCOMPARE(parent.keyPresses, 1);
}

void TestDoubleEdit::wheelSteps_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<QString>("expected");

    QTest::newRow("notch up") << QPoint(0, 120) << "2.001";
    QTest::newRow("notch down") << QPoint(0, -120) << "1.999";
    QTest::newRow("three notches up") << QPoint(0, 360) << "2.001";
    QTest::newRow("fine scroll up") << QPoint(0, 15) << "2.001";
    QTest::newRow("zero") << QPoint(0, 0) << "1.999";
    QTest::newRow("horizontal up") << QPoint(120, 0) << "2.001";
}

void TestDoubleEdit::wheelSteps()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(QString, expected);

    DoubleEdit edit(3, 2.0, 0.001, true);
    QSignalSpy finished(&edit, &QLineEdit::editingFinished);
    sendWheel(&edit, angleDelta);
    QCOMPARE(edit.text(), expected);
    QCOMPARE(finished.count(), 1);
    QVERIFY(textIs(edit, Qt::blue));
}

void TestDoubleEdit::wheelTakesFocus()
{
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* edit = new DoubleEdit(2, 1.0, 0.5, false, &window);
    edit->move(0, 40);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());

    sendWheel(edit, QPoint(0, 120));
    QCOMPARE(edit->text(), QString("1.50"));
    QVERIFY(edit->hasFocus());
}

void TestDoubleEdit::highlightsUnconfirmedEdits()
{
    DoubleEdit edit(2, 1.0, 0.01, true);
    edit.setText("1");

    QTest::keyClick(&edit, '5');
    QVERIFY(textIs(edit, Qt::blue));
    QTest::keyClick(&edit, '.');
    QVERIFY(textIs(edit, Qt::black));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QVERIFY(textIs(edit, Qt::blue));
    QTest::keyClick(&edit, Qt::Key_Return);
    QVERIFY(textIs(edit, Qt::black));
    QTest::keyClick(&edit, Qt::Key_PageDown);
    QVERIFY(textIs(edit, Qt::blue));
    QCOMPARE(edit.text(), QString("14.90"));

    // Filling the edit from the model leaves the mark alone.
    edit.setValue(3.0);
    QVERIFY(textIs(edit, Qt::blue));
}

void TestDoubleEdit::keepsColourWithoutHighlighting()
{
    DoubleEdit edit(2, 1.0, 0.01, false);
    edit.setText("1");
    const QPalette before = edit.palette();
    QTest::keyClick(&edit, '5');
    QTest::keyClick(&edit, Qt::Key_Up);
    sendWheel(&edit, QPoint(0, 120));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.palette(), before);
    QCOMPARE(edit.text(), QString("15.02"));
}

void TestDoubleEdit::holdsBackIncompleteReturn()
{
    DoubleEdit edit(2, 0.0, 0.01, false);
    QSignalSpy returned(&edit, &QLineEdit::returnPressed);

    edit.setText("-");
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(returned.count(), 0);
    QCOMPARE(edit.getValue(), 0.0);

    QTest::keyClick(&edit, '2');
    QTest::keyClick(&edit, '.');
    QTest::keyClick(&edit, '5');
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(edit.getValue(), -2.5);
}

void TestDoubleEdit::readsTheNumberItAccepts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");

    // A comma is the decimal point: no key is dropped, no number changes.
    QTest::newRow("decimal comma") << "0,5" << true << 0.5;
    QTest::newRow("negative comma") << "-2,25" << true << -2.25;
    QTest::newRow("comma of thousands reads as decimals") << "2,000" << true << 2.0;
    QTest::newRow("scientific") << "1.5e-3" << true << 0.0015;
    QTest::newRow("largest double") << "1.7976931348623157e308" << true << 1.7976931348623157e308;
    QTest::newRow("group and decimal") << "1,000.5" << false << 0.0;
    QTest::newRow("two commas") << "1,000,000" << false << 0.0;
    QTest::newRow("too large for a double") << "1e400" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("word") << "abc" << false << 0.0;
}

void TestDoubleEdit::readsTheNumberItAccepts()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(double, value);

    DoubleEdit edit(3, 0.0, 0.001, false);
    QSignalSpy returned(&edit, &QLineEdit::returnPressed);
    typeInto(&edit, typed);
    QCOMPARE(edit.text(), typed);
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(returned.count(), accepted ? 1 : 0);
    QCOMPARE(edit.getValue(), value);
    QCOMPARE(edit.showsInvalid(), !accepted);
    QCOMPARE(textIs(edit, Qt::red), !accepted);
}

void TestDoubleEdit::keepsRefusedTextAndShowsWhy()
{
    DoubleEdit edit(3, 1.0, 0.001, false);
    edit.setRange(ParameterRanges::range(ParameterRanges::Parameter::MaxTheta));
    edit.setToolTip("Return applies it");
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const QPalette plain = edit.palette();

    // The minus stays where no value is below 0; the tooltip says what would do.
    typeInto(&edit, "-1");
    QCOMPARE(edit.text(), QString("-1"));
    QVERIFY(textIs(edit, Qt::red));
    const QPoint at(edit.width() / 2, edit.height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, edit.mapToGlobal(at));
    QApplication::sendEvent(&edit, &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("Return applies it\nOut of range, not applied.\n"
                                       "Accepted: above 0 and at most 90."));
    QToolTip::hideText();

    // Made good, it looks as before.
    typeInto(&edit, "90");
    QCOMPARE(edit.palette(), plain);
}

void TestDoubleEdit::showsLargeAndSmallNumbersInScientific()
{
    DoubleEdit edit(2, 1e300, 0.01, false);
    QCOMPARE(edit.text(), QString("1.00e+300"));
    QVERIFY(edit.hasAcceptableInput());
    const QList<QPair<double, QString>> shown{{1e308, "1.00e+308"},    {-2.5e7, "-2.50e+07"},
                                              {999999.5, "999999.50"}, {0.01, "0.01"},
                                              {0.004, "4.00e-03"},     {0.0, "0.00"}};
    for (const auto& [value, text] : shown) {
        edit.setValue(value);
        QCOMPARE(edit.text(), text);
    }

    // Stepping lands on the digits shown: no residue in scientific notation.
    edit.setText("0.013");
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.text(), QString("0.00"));

    // At the top of a range the text rounds past ("3.40e+38" is above the
    // largest float), a step comes back inside.
    edit.setRange(ParameterRanges::range(ParameterRanges::Parameter::MagnetStrength));
    edit.setValue(std::numeric_limits<float>::max());
    QTest::keyClick(&edit, Qt::Key_Up);
    QVERIFY(edit.hasAcceptableInput());
    QVERIFY(edit.getValue() > 3.3e38);
}

void TestDoubleEdit::stepsStayInsideAnOpenBound()
{
    // Above zero: 0.00 would be refused, so stepping stops at the smallest
    // value the text can show.
    DoubleEdit edit(2, 0.05, 0.01, false);
    edit.setRange(ParameterRanges::range(ParameterRanges::Parameter::MaxTheta));
    QTest::keyClick(&edit, Qt::Key_PageDown);
    QCOMPARE(edit.text(), QString("0.01"));
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.text(), QString("0.01"));
    QSignalSpy returned(&edit, &QLineEdit::returnPressed);
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(returned.count(), 1);
}

QTEST_MAIN(TestDoubleEdit)
#include "tst_panel_doubleedit.moc"
