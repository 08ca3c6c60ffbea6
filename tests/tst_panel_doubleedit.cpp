#include "DoubleEdit.h"

#include <QApplication>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
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
    void readsTheNumberItAccepts();
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
        edit.setRange(-1.0, 1.0);
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

void TestDoubleEdit::readsTheNumberItAccepts()
{
    DoubleEdit edit(3, 0.0, 0.001, false);
    QSignalSpy returned(&edit, &QLineEdit::returnPressed);
    edit.selectAll();
    QTest::keyClicks(&edit, "2,000");
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(edit.getValue(), 2000.0);
}

void TestDoubleEdit::stepsStayInsideAnOpenBound()
{
    // Above zero: 0.00 would be refused, so stepping stops at the smallest
    // value the text can show.
    DoubleEdit edit(2, 0.05, 0.01, false);
    edit.setRange(std::numeric_limits<double>::min(), 89.0);
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
