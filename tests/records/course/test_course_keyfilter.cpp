// The key-press route of the credit box: characters an input method commits
// go through the same check as typed keys.
#include "records/course/IntegerKeyFilter.h"
#include "tests/support/Fixture.h"

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

class KeyPressFilterTest : public QObject {
    Q_OBJECT
private slots:
    void committedText_data();
    void committedText();
    void handlerSeesEachTypedCharacter();
};

void KeyPressFilterTest::committedText_data()
{
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("refusals");
    QTest::newRow("digits") << "34" << "1234" << 0;
    QTest::newRow("mixed") << "3四4" << "1234" << 1;
    QTest::newRow("no digit") << "学分" << "12" << 2;
    QTest::newRow("full-width digit") << "５" << "12" << 1;
}

void KeyPressFilterTest::committedText()
{
    QFETCH(QString, commit);
    QFETCH(QString, after);
    QFETCH(int, refusals);
    QLineEdit box(QStringLiteral("12"));
    new TKeyPressFilter(&box, [](QChar &c) { integerOnlyKeyPress(c); });
    box.end(false);
    fixture::Boxes boxes;

    QInputMethodEvent e;
    e.setCommitString(commit);
    QCoreApplication::sendEvent(&box, &e);

    QCOMPARE(box.text(), after);
    QCOMPARE(boxes.texts(), QStringList(refusals, QStringLiteral("请输入整数!")));
}

void KeyPressFilterTest::handlerSeesEachTypedCharacter()
{
    // A handler may also keep what it is given; it sees each character once,
    // and keys that type nothing (or belong to a button's accelerator) never.
    QLineEdit box;
    QString seen;
    new TKeyPressFilter(&box, [&](QChar &c) {
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

QTEST_MAIN(KeyPressFilterTest)
#include "test_course_keyfilter.moc"
