// A clerk of the load run: the program's own windows and data module on the
// copy, driven through their real buttons and keys; every click and key goes
// through the application object, so each is one user action exactly as in
// the program (picked up, committed or undone, its error in the one box).
//
// Writes stay on the clerk's own share of the students, so that two clerks
// never mean the same record: a refusal is then the engine's doing, not a
// true conflict. Reads go anywhere.
#include "bench/Bench.h"
#include "bench/Load.h"
#include "bench/LoadLog.h"

#include "app/Windows.h"
#include "core/Action.h"
#include "core/Globals.h"
#include "data/ActionHooks.h"
#include "data/Table.h"
#include "db/Engines.h"
#include "office/DataModule.h"
#include "records/score/TForm15_Add_Scroce.h"
#include "records/score/TForm6_Scorce.h"
#include "records/student/TForm10_Query_Stud.h"
#include "records/student/TForm3_stud.h"
#include "records/student/TForm9_Add_Stud.h"
#include "reports/TForm19.h"
#include "reports/engine/ReportPreview.h"
#include "skin/SkinButton.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "dbwidgets/DBControls.h"
#include "tools/CodepageCheck.h"
#include "ui/App.h"
#include "ui/Guard.h"
#include "ui/Instances.h"
#include "ui/Ui.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace bench {

namespace {

using load::Entry;
using load::Outcome;

QString arg(const QStringList &args, const char *name)
{
    const int i = args.indexOf(QLatin1String(name));
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

// A press and a release of the left button in the middle of the button.
void click(TSkinButton *button)
{
    const QPointF at = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &release);
}

// Typing text (ASCII) into a box, a key at a time.
void type(QWidget *box, const QString &text)
{
    for (const QChar c : text) {
        const int key = c.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(box, &release);
    }
}

// What a click in a grid does: one action of the user's, its error reported
// the way the application object reports one.
void asUserAction(const std::function<void()> &fn)
{
    action::EventScope scope(true);
    try {
        if (ui::guarded(fn))
            scope.finish();
    } catch (const std::exception &e) {
        ui::showError(e);
    }
}

// Registered students carry their clerk's number; every other student
// belongs to the clerk its number hashes to.
int ownerOf(const QString &number, int clerks)
{
    static const QRegularExpression registered(QStringLiteral("^L(\\d+)-"));
    if (const auto m = registered.match(number); m.hasMatch())
        return m.captured(1).toInt();
    quint32 h = 2166136261u;
    for (const char c : number.toUtf8()) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return int(h % quint32(clerks));
}

int fieldIndex(store::DataSet &ds, const char *name)
{
    return int(ds.fieldNames().indexOf(QString::fromUtf8(name)));
}

class Clerk {
public:
    Clerk(int k, int clerks, quint32 seed) : m_k(k), m_clerks(clerks), m_rng(seed)
    {
        ui::setMessageBoxScript([this](const ui::ShownBox &box) {
            // Questions ("注意!此操作将删除…") are answered yes; what remains
            // tells how the action ended.
            if (box.buttons != ui::Buttons::Ok)
                return int(box.buttons == ui::Buttons::YesNo ? ui::IdYes : ui::IdOk);
            if (!box.text.contains(QStringLiteral("成功")) && m_failure.isEmpty())
                m_failure = box.text;
            return int(ui::IdOk);
        });
        ui::setModalScript([this](QWidget *w) {
            if (m_onModal)
                m_onModal(w);
        });
    }
    // thinkMs: the mean pause between two actions; everyKind: every kind
    // of action once first.
    void setPace(int thinkMs, bool everyKind)
    {
        m_thinkMs = std::max(thinkMs, 0);
        m_everyKind = everyKind;
    }

    ~Clerk()
    {
        ui::setMessageBoxScript({});
        ui::setModalScript({});
    }

    // One action and its line: first one of every kind, in a shuffled
    // order, so that even a short run does each; then the mix, by weight.
    void act()
    {
        // Per thousand: an office mostly looks things up and enters scores;
        // a deletion comes now and then.
        static const int weights[] = {300, 150, 50, 250, 150, 50, 10, 5, 35};
        constexpr int kinds = int(std::size(weights));
        if (m_round.empty()) {
            for (int i = 0; i < kinds; ++i)
                m_round.push_back(i);
            std::shuffle(m_round.begin(), m_round.end(), m_rng);
        }
        int kind = 0;
        if (m_everyKind && m_acts < kinds) {
            kind = m_round[size_t(m_acts)];
        } else {
            int total = 0;
            for (int w : weights)
                total += w;
            int pick = int(m_rng.bounded(total));
            while (pick >= weights[kind])
                pick -= weights[kind++];
        }
        ++m_acts;
        Entry e;
        e.clerk = m_k;
        e.kind = QString::fromLatin1(load::Kinds[kind]);
        using Step = void (Clerk::*)(Entry &, QElapsedTimer &);
        static const Step steps[] = {&Clerk::browse,        &Clerk::searchNumber, &Clerk::searchClass,
                                     &Clerk::addScore,      &Clerk::changeStudent, &Clerk::registerStudent,
                                     &Clerk::deleteScore,   &Clerk::deleteStudent, &Clerk::printList};
        m_failure.clear();
        m_onModal = nullptr;
        QElapsedTimer t;
        t.start();
        (this->*steps[kind])(e, t);
        e.ms = double(t.nsecsElapsed()) / 1e6;
        // Nothing to do it on (no student of the clerk's own left, none
        // with a score): not an action, no line.
        if (e.kind.isEmpty())
            return;
        if (!m_failure.isEmpty()) {
            e.outcome = load::classify(m_failure);
            e.text = m_failure;
        }
        m_onModal = nullptr;
        std::printf("%s\n", qPrintable(load::format(e)));
        std::fflush(stdout);
    }

    // Between actions the clerk reads and thinks; the program's timers and
    // posted calls run meanwhile as they do while it waits.
    void think()
    {
        QElapsedTimer t;
        t.start();
        const int pause = m_thinkMs / 2 + int(m_rng.bounded(quint32(m_thinkMs) + 1));
        while (t.elapsed() < pause) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(std::min<qint64>(20, std::max<qint64>(pause - t.elapsed(), 1)));
        }
    }

private:
    store::TTable &students() { return *DM1->Table_stud; }

    // A click on a student's row in the grid: the cursor moves there and
    // the score list follows.
    void moveTo(int row)
    {
        asUserAction([&] {
            students().setRecNo(row + 1);
            (void)DM1->Table_Scroce_1->recordCount();
        });
    }

    // Picks a student of the clerk's own share, from a random place in the
    // grid on, and makes it current; its number, or empty without one. The
    // pick is an action of its own, outside the timed one.
    QString pickOwn(QElapsedTimer &t)
    {
        QString found;
        asUserAction([&] {
            store::TTable &s = students();
            const int count = s.recordCount();
            const int no = fieldIndex(s, "学号");
            if (count == 0 || no < 0)
                return;
            const int start = int(m_rng.bounded(count));
            for (int j = 0; j < std::min(count, 50 * m_clerks); ++j) {
                const int row = (start + j) % count;
                const QString number = s.valueAt(row, no).toString();
                if (ownerOf(number, m_clerks) == m_k) {
                    s.setRecNo(row + 1);
                    (void)DM1->Table_Scroce_1->recordCount();
                    found = number;
                    return;
                }
            }
        });
        t.restart();
        return found;
    }

    void browse(Entry &e, QElapsedTimer &)
    {
        const int count = students().recordCount();
        if (count == 0)
            return e.kind.clear();
        moveTo(int(m_rng.bounded(count)));
    }

    void search(int criterion, const QString &text)
    {
        TForm10_Query_Stud &w = *static_cast<TForm10_Query_Stud *>(Form10_Query_Stud);
        w.ComboBox_Query->setCurrentIndex(criterion);
        w.Edit_For_Query->setText(text);
        click(w.Button_Query);
    }

    // Some value of a column at a random row, read as the clerk reads it off
    // a list.
    QString anyValue(store::DataSet &ds, const char *field)
    {
        QString v;
        asUserAction([&] {
            const int count = ds.recordCount();
            const int i = fieldIndex(ds, field);
            if (count > 0 && i >= 0)
                v = ds.valueAt(int(m_rng.bounded(count)), i).toString();
        });
        return v;
    }

    void searchNumber(Entry &e, QElapsedTimer &t)
    {
        e.value = anyValue(students(), "学号");
        t.restart();
        search(0, e.value);
    }

    void searchClass(Entry &e, QElapsedTimer &t)
    {
        e.value = anyValue(*DM1->Table_Class, "班级名称");
        t.restart();
        search(5, e.value);
    }

    // 增加成绩信息 in the score window for the current student; the marker in
    // the second make-up score finds the record again.
    void addScore(Entry &e, QElapsedTimer &t)
    {
        e.target = pickOwn(t);
        if (e.target.isEmpty())
            return e.kind.clear();
        e.value = QString::number((m_k + 1) * 100000 + ++m_serial);
        auto &w = *static_cast<TForm15_Add_Scroce *>(Form15_Add_Scroce);
        m_onModal = [&](QWidget *) {
            if (w.ComboBox_Kecheng_New->count() > 0)
                w.ComboBox_Kecheng_New->setCurrentIndex(int(m_rng.bounded(w.ComboBox_Kecheng_New->count())));
            w.Edit_New_Scroce->setText(QString::number(m_rng.bounded(101)));
            w.Edit_New_BuKao1->setText(QStringLiteral("0"));
            w.Edit_New_BuKao2->setText(e.value);
            click(w.Button_OK);
        };
        click(static_cast<TForm6_Scorce *>(Form6_Scorce)->Button_Add);
    }

    // 修改学生, a new 籍贯 typed over the old one, 提交修改.
    void changeStudent(Entry &e, QElapsedTimer &t)
    {
        e.target = pickOwn(t);
        if (e.target.isEmpty())
            return e.kind.clear();
        e.value = QStringLiteral("C%1-%2").arg(m_k).arg(++m_serial);
        auto &w = *static_cast<TForm3_stud *>(Form3_stud);
        click(w.Button_XiouGai);
        w.Edit_JiGuan->selectAll();
        type(w.Edit_JiGuan, e.value);
        click(w.Button_Stud_Post);
    }

    // 学生注册 with a number of the clerk's own.
    void registerStudent(Entry &e, QElapsedTimer &)
    {
        e.target = QStringLiteral("L%1-%2").arg(m_k).arg(++m_serial);
        auto &w = *static_cast<TForm9_Add_Stud *>(Form9_Add_Stud);
        m_onModal = [&](QWidget *) {
            w.Edit_New_StudNo->setText(e.target);
            w.Edit_New_Stud_Name->setText(QStringLiteral("负载%1").arg(m_serial));
            if (w.ComboBox_New_Class->count() > 0)
                w.ComboBox_New_Class->setCurrentIndex(int(m_rng.bounded(w.ComboBox_New_Class->count())));
            click(w.Button_OK);
        };
        click(static_cast<TForm3_stud *>(Form3_stud)->Button_Add);
    }

    // 删除成绩 on one of the current student's scores: one the clerk added
    // when there is one, so that its going can be checked.
    void deleteScore(Entry &e, QElapsedTimer &t)
    {
        store::TTable &shown = *DM1->Table_Scroce_1;
        for (int tries = 0; tries < 10 && (e.target.isEmpty() || shown.isEmpty()); ++tries)
            e.target = pickOwn(t);
        if (e.target.isEmpty() || shown.isEmpty())
            return e.kind.clear();
        asUserAction([&] {
            const int marker = fieldIndex(shown, "第二次补考成绩");
            const int count = shown.recordCount();
            int row = int(m_rng.bounded(count));
            for (int i = 0; i < count; ++i) {
                if (shown.valueAt(i, marker).toLongLong() >= 100000)
                    row = i;
            }
            shown.setRecNo(row + 1);
            const qint64 value = shown.fieldByName(QStringLiteral("第二次补考成绩")).value().toLongLong();
            e.value = value >= 100000 ? QString::number(value) : QString();
        });
        t.restart();
        click(static_cast<TForm6_Scorce *>(Form6_Scorce)->Button_Del);
    }

    // 删除学生, with all of the student's scores.
    void deleteStudent(Entry &e, QElapsedTimer &t)
    {
        e.target = pickOwn(t);
        if (e.target.isEmpty())
            return e.kind.clear();
        click(static_cast<TForm3_stud *>(Form3_stud)->Button_Del);
    }

    // 学生信息输出: the chooser binds its tables as it is shown, the report is
    // laid out into pages for the preview, which is not shown.
    void printList(Entry &e, QElapsedTimer &)
    {
        auto &chooser = *static_cast<TForm19 *>(Form19);
        int pages = 0;
        m_onModal = [&](QWidget *w) {
            if (auto *p = qobject_cast<report::ReportPreview *>(w))
                pages = p->pageCount();
        };
        asUserAction([&] { chooser.FormShow(); });
        click(chooser.Button_Stud);
        e.value = QString::number(pages);
    }

    int m_k, m_clerks;
    QRandomGenerator m_rng;
    int m_serial = 0;
    int m_acts = 0;
    int m_thinkMs = 2000;
    bool m_everyKind = false;

    std::vector<int> m_round;
    QString m_failure;
    std::function<void(QWidget *)> m_onModal;
};

} // namespace

bool isClerk(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--clerk") == 0)
            return true;
    }
    return false;
}

int runClerk(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    // The engine's registry values go to a directory of the clerk's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    TApplication app(argc, argv);
    if (const int refused = tools::refuseWithoutCodepage("quillmere-bench"))
        return refused;
    const QStringList args = app.arguments();
    const int k = arg(args, "--clerk").toInt();
    const int clerks = std::max(1, arg(args, "--clerks").toInt());
    const int seconds = arg(args, "--seconds").toInt();
    const QString dataDir = arg(args, "--data-dir");
    const QString conninfo = arg(args, "--server");

    store::installActionHooks();
    store::setCommitErrorHandler([](const QString &text) { ui::reportLater(text); });
    ui::setApplicationTitle(QStringLiteral("Quillmere"));
    UserRight = 1;
    program::createAll([&](const program::Step &s) {
        if (s.row == 1) {
            DataPath = dataDir;
            store::setEngineConfigFile(QString());
            store::setEngineServer(conninfo);
        }
    });
    {
        Clerk clerk(k, clerks, quint32(arg(args, "--seed").toUInt()));
        clerk.setPace(arg(args, "--think").isEmpty() ? 2000 : arg(args, "--think").toInt(),
                      args.contains(QLatin1String("--every-kind")));
        // Every clerk starts when all are ready.
        std::printf("READY\n");
        std::fflush(stdout);
        std::string go;
        std::getline(std::cin, go);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < qint64(seconds) * 1000) {
            clerk.act();
            clerk.think();
        }
    }
    // The clerk's peak memory, windows and data module included.
    std::printf("PEAK\t%.1f\n", peakRssMb());
    program::destroyAll();
    store::endEngines();
    std::printf("DONE\n");
    std::fflush(stdout);
    return 0;
}

} // namespace bench
