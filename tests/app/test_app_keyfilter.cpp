// The integer-only key filter of the credit and score boxes, and the
// key-press route it rides on (typed keys and input-method text alike).
#include "ui/KeyFilter.h"
#include "tests/support/Fixture.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

class KeyFilterTest : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void committedText_data();
    void committedText();
    void handlerSeesEachTypedCharacter();
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
    QTest::newRow("tab moves on") << int(Qt::Key_Tab) << "\t" << false << "12";
}

void KeyFilterTest::keys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, refused);
    QFETCH(QString, after);
    fixture::Boxes boxes;
    QLineEdit box(QStringLiteral("12"));
    keyfilter::onKeyPress(&box, keyfilter::integerOnly);
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

void KeyFilterTest::committedText_data()
{
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("refusals");
    QTest::newRow("digits") << "34" << "1234" << 0;
    QTest::newRow("mixed") << "3四4" << "1234" << 1;
    QTest::newRow("no digit") << "学分" << "12" << 2;
    QTest::newRow("full-width digit") << "５" << "12" << 1;
}

void KeyFilterTest::committedText()
{
    QFETCH(QString, commit);
    QFETCH(QString, after);
    QFETCH(int, refusals);
    QLineEdit box(QStringLiteral("12"));
    keyfilter::onKeyPress(&box, keyfilter::integerOnly);
    box.end(false);
    fixture::Boxes boxes;
    QInputMethodEvent e;
    e.setCommitString(commit);
    QCoreApplication::sendEvent(&box, &e);
    QCOMPARE(box.text(), after);
    QCOMPARE(boxes.texts(), QStringList(refusals, QStringLiteral("请输入整数!")));
}

void KeyFilterTest::handlerSeesEachTypedCharacter()
{
    // A handler may keep what it is given; it sees each character once, and
    // keys that type nothing (or belong to a button's accelerator) never.
    QLineEdit box;
    QString seen;
    keyfilter::onKeyPress(&box, [&](QChar &c) {
        seen += c;
        if (c == u'x')
            c = QChar();
    });
    box.show();
    QTest::keyClicks(&box, "axb");
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("b")); // Backspace kept: it removed the "a" before the cursor
    QTest::keyClick(&box, Qt::Key_A, Qt::AltModifier);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(seen, QStringLiteral("axb\b"));
}

QTEST_MAIN(KeyFilterTest)
#include "test_app_keyfilter.moc"
