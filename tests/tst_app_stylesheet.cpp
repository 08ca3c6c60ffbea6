// The style-sheet loader and the compiled-in resources it and the menus rely on.
#include "StderrCapture.h"
#include "StyleSheet.h"

#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

// The rules the application must end up with, as a person would write them.
const char* const effectiveRules = R"(QLineEdit { background-color: white;
            height: 16px;
            font-family: monospace;
            font-size: 12px
}
QTextEdit { background-color: #ffffff;
            font-family: Courier;
            font-size: 12px
}
QPushButton { height: 14px;
              font-family: monospace;
}
QComboBox { height: 16px;
            font-family: monospace;
}
QSpinBox { background-color: #ffffee;
           height: 24px;
           font-family: monospace;
}
QDoubleSpinBox { background-color: #ff0000;
                 height: 24px
}
QDockWidget::title { background-color: #d4cbc3;
                     border-style: outset;
                     border-width: 1px;
                     border-color: #ffffff;
}
QMainWindow::separator {
    background: #aaaaaa;
    width: 3px;
}
DoubleEdit { background-color: #ffffdd;
             height: 16px
}
QStatusBar { background-color: #d4cbc3; }
QMessageBox { font-family: monospace; })";

} // namespace

class TestStyleSheet : public QObject
{
    Q_OBJECT

private slots:
    void joinsLinesAndDropsHashLines();
    void missingFileGivesEmptyTextAndMessage();
    void shippedSheetHoldsTheEffectiveRules();
    void switchedOffRulesAreSingleLines();
    void iconsAreCompiledIn();
};

void TestStyleSheet::joinsLinesAndDropsHashLines()
{
    // Of a rule whose first line is switched off only that line goes; its other
    // lines join the text before them. Line endings (CRLF too) vanish, a '#'
    // after indentation does not switch a line off.
    QCOMPARE(readStyleSheet(QStringLiteral(ORVALIS_TEST_DATA "/app_style.css")),
             QStringLiteral("QLabel { color: red; }"
                            "QLineEdit {    height: 16px;}"
                            "    width: 30px;}"
                            "QStatusBar { }"
                            "  # indented hash stays"));
}

void TestStyleSheet::missingFileGivesEmptyTextAndMessage()
{
    StderrCapture capture;
    const QString text = readStyleSheet(QStringLiteral(ORVALIS_TEST_DATA "/app_no_such.css"));
    QCOMPARE(capture.text(), QByteArray("Cannot read stylesheet!\n"));
    QVERIFY(text.isEmpty());
}

void TestStyleSheet::shippedSheetHoldsTheEffectiveRules()
{
    StderrCapture capture;
    const QString sheet = readStyleSheet();
    QCOMPARE(capture.text(), QByteArray());
    QCOMPARE(sheet, QString::fromLatin1(effectiveRules).split(QLatin1Char('\n')).join(QString()));
}

void TestStyleSheet::switchedOffRulesAreSingleLines()
{
    // Dropping a '#' line must drop a whole rule, or its tail would leak into
    // the sheet; the resource holds five such rules and two link comments.
    QFile file(QStringLiteral(":/viewer.css"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList rules, comments;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        if (!line.startsWith(QLatin1Char('#')))
            continue;
        if (line.contains(QLatin1Char('{'))) {
            QVERIFY2(line.trimmed().endsWith(QLatin1Char('}')), qPrintable(line));
            rules << line;
        } else {
            comments << line;
        }
    }
    QCOMPARE(rules.size(), 5);
    QCOMPARE(comments.size(), 2);
    for (const QString& comment : comments)
        QVERIFY2(comment.contains(QLatin1String("https://")), qPrintable(comment));
    const QString offText = rules.join(QLatin1Char('\n'));
    for (const char* expected : {"QLabel", "QMainWindow::separator:hover", "QMenuBar::item:pressed",
                                 "QMenu::item:selected", "#3333ff"})
        QVERIFY2(offText.contains(QLatin1String(expected)), expected);
    QCOMPARE(offText.count(QLatin1String("#0000ff")), 2);
}

void TestStyleSheet::iconsAreCompiledIn()
{
    for (const char* name : {"open", "save", "exit", "play", "pause", "step", "back"}) {
        const QImage icon(QStringLiteral(":/%1.png").arg(QLatin1String(name)));
        QVERIFY2(!icon.isNull(), name);
        QCOMPARE(icon.size(), QSize(32, 32));
        QVERIFY2(icon.hasAlphaChannel(), name);
        // Something is drawn, and something is left transparent around it.
        int opaque = 0, clear = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const int alpha = qAlpha(icon.pixel(x, y));
                opaque += alpha == 255;
                clear += alpha == 0;
            }
        QVERIFY2(opaque > 40 && clear > 40, name);
    }
    QVERIFY(!QFile::exists(QStringLiteral(":/about.png")));
}

QTEST_GUILESS_MAIN(TestStyleSheet)
#include "tst_app_stylesheet.moc"
