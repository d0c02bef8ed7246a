// The integer-only key filter of the credit and score boxes.
#include "app/core/KeyFilter.h"
#include "tests/support/Fixture.h"

#include <QLineEdit>
#include <QtTest>

class KeyFilterTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void KeyFilterTest::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("after"); // box text after the key, starting from "12" with the cursor at the end
    QTest::newRow("digit") << int(Qt::Key_7) << "7" << false << "127";
    QTest::newRow("letter") << int(Qt::Key_A) << "a" << true << "12";
    QTest::newRow("minus sign") << int(Qt::Key_Minus) << "-" << true << "12";
    QTest::newRow("blank") << int(Qt::Key_Space) << " " << true << "12";
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b" << true << "12";
    QTest::newRow("enter") << int(Qt::Key_Return) << "\r" << true << "12";
    QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b" << true << "12";
    QTest::newRow("full-width digit") << int(Qt::Key_unknown) << "１" << true << "12";
    QTest::newRow("delete types nothing") << int(Qt::Key_Delete) << "" << false << "12";
    QTest::newRow("arrow types nothing") << int(Qt::Key_Left) << "" << false << "12";
}

void KeyFilterTest::keys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    QFETCH(QString, after);
    fixture::Boxes boxes;
    QLineEdit box(QStringLiteral("12"));
    IntegerKeyFilter::install(&box);
    box.show();
    box.setFocus();
    box.end(false);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&box, &press);
    QCOMPARE(box.text(), after);
    if (refused) {
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("请输入整数!")});
        QCOMPARE(boxes.shown[0].title, QStringLiteral("错误"));
        QCOMPARE(boxes.shown[0].icon, ui::Icon::Information);
    } else {
        QVERIFY(boxes.shown.isEmpty());
    }
}

QTEST_MAIN(KeyFilterTest)
#include "test_app_keyfilter.moc"
