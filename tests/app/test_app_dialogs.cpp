// Dialogs and progress windows go through the box seam like the boxes: what
// the running action wrote is stored before the user sees them, and a test
// that does not answer one fails instead of hanging.
#include "db/Engines.h"
#include "ui/Guard.h"
#include "ui/Ui.h"
#include "data/DataSet.h"
#include "office/Schema.h"
#include "tests/support/Fixture.h"
#include "data/Table.h"

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace sch = store::schema;

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { store::resetEngines(); }
    void writesAreStoredBeforeTheUserSees_data();
    void writesAreStoredBeforeTheUserSees();
};

void DialogsTest::writesAreStoredBeforeTheUserSees_data()
{
    QTest::addColumn<QString>("shows");
    QTest::addColumn<int>("answer");   // the dialog's result; -1: a progress window
    QTest::newRow("dialog accepted") << "dialog" << int(QDialog::Accepted);
    QTest::newRow("dialog cancelled") << "dialog" << int(QDialog::Rejected);
    QTest::newRow("progress window") << "progress" << -1;
}

void DialogsTest::writesAreStoredBeforeTheUserSees()
{
    QFETCH(QString, shows);
    QFETCH(int, answer);
    fixture::DataDir dir;
    store::TTable classes(QStringLiteral("Table_Class"));
    classes.setDatabaseName(dir.path());
    classes.setTableName(sch::ClassFile);
    classes.open();

    // What the user would see while the window is up: the classes stored.
    int storedMeanwhile = -1;
    int result = 0;
    fixture::Dialogs dialogs([&](QDialog *) {
        storedMeanwhile = dir.count(sch::ClassFile);
        return answer;
    });
    QPushButton button;
    ui::connectGuarded(&button, &QPushButton::clicked, &button, [&] {
        classes.append();
        classes.fieldByName(QStringLiteral("班号")).setAsString(QStringLiteral("B1"));
        classes.fieldByName(QStringLiteral("班级名称")).setAsString(QStringLiteral("一班"));
        classes.post();
        if (shows == QLatin1String("dialog")) {
            QDialog d;
            d.setWindowTitle(QStringLiteral("选择"));
            result = ui::execDialog(&d);
        } else {
            ui::Progress progress(&button, QStringLiteral("报表"), QStringLiteral("正在准备..."), 10);
            QTimer::singleShot(0, &button, [&] { storedMeanwhile = dir.count(sch::ClassFile); });
            QVERIFY(progress.step(QStringLiteral("正在准备第 1 页..."), 5));
        }
    });
    button.show();
    fixture::Boxes boxes;
    fixture::click(&button);
    QCOMPARE(storedMeanwhile, 1);
    QCOMPARE(boxes.shown.size(), 0);
    QCOMPARE(dir.count(sch::ClassFile), 1);
    if (answer >= 0) {
        QCOMPARE(dialogs.titles, QStringList{QStringLiteral("选择")});
        QCOMPARE(result, answer);
    }
}

QM_APP_TEST_MAIN(DialogsTest)
#include "test_app_dialogs.moc"
