// The application object, the standard error box, program paths and the
// registry layer.
#include "app/Startup.h"
#include "core/Action.h"
#include "data/ActionHooks.h"
#include "ui/App.h"
#include "core/Error.h"
#include "core/Globals.h"
#include "ui/Guard.h"
#include "ui/Registry.h"
#include "ui/Ui.h"
#include "login/TForm1_Denglu.h"
#include "db/Codepage.h"
#include "tools/CodepageCheck.h"
#include "tests/support/Fixture.h"

#include <QDialogButtonBox>
#include <QFontInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <stdexcept>

class AppCoreTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void standardErrorText_data();
    void standardErrorText();
    void uncaughtErrorReachesBoxAndProgramGoesOn();
    void guardedHandlerErrorEndsInOneBox_data();
    void guardedHandlerErrorEndsInOneBox();
    void guardedHandlerGetsTheSignalArguments();
    void programPaths_data();
    void programPaths();
    void registryValuesRewrittenAndMoved();
    void registryFailuresRaiseTheirTexts();
    void qtDialogsSpeakTheDesktopLanguage();
    void windowFontNamesDrawWithNotoCjk_data();
    void windowFontNamesDrawWithNotoCjk();
    void withoutGbkNothingStarts();

private:
    QTemporaryDir m_config;
};

void AppCoreTest::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    ui::setApplicationTitle(QStringLiteral("Quillmere"));
}

void AppCoreTest::standardErrorText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop added") << "找不到表文件" << "找不到表文件.";
    QTest::newRow("ends in full stop") << "done." << "done.";
    QTest::newRow("ends in ! (sorts before .)") << "错误!" << "错误!";
    QTest::newRow("ends in a blank") << "x " << "x ";
    QTest::newRow("ends in a letter") << "'abc' 不是一个有效的整形值" << "'abc' 不是一个有效的整形值.";
    QTest::newRow("ends in a slash (after .)") << "a/" << "a/.";
}

void AppCoreTest::standardErrorText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(ui::standardErrorText(text), shown);
}

void AppCoreTest::uncaughtErrorReachesBoxAndProgramGoesOn()
{
    fixture::Boxes boxes;
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        throw store::Error(QStringLiteral("Table_stud: 无法在关闭的数据集上执行该操作"));
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2); // the program went on after the first error
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("Table_stud: 无法在关闭的数据集上执行该操作."));
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Quillmere"));
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Error);
    QCOMPARE(boxes.shown[0].buttons, ui::Buttons::Ok);
}

namespace {

// A window's handler: counts its calls and raises what it is told to.
class Handler : public QObject {
public:
    int calls = 0;
    std::function<void()> raise;
    void click()
    {
        ++calls;
        raise();
    }
};

} // namespace

void AppCoreTest::guardedHandlerErrorEndsInOneBox_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("record layer's error") << 0 << "Table_stud: 无法在关闭的数据集上执行该操作.";
    QTest::newRow("refused change") << 1 << "该记录已被其他用户修改或删除,修改没有保存!";
    QTest::newRow("library error") << 2 << "vector::_M_range_check.";
}

// The click is emitted straight from the button, with no event around it:
// only the guard stands between the handler's error and the caller.
void AppCoreTest::guardedHandlerErrorEndsInOneBox()
{
    QFETCH(int, kind);
    QFETCH(QString, shown);
    fixture::Boxes boxes;
    QList<qsizetype> boxesAtRollback;
    action::setHooks({{}, {}, [&] { boxesAtRollback << boxes.shown.size(); }});
    auto unhook = qScopeGuard([] { action::setHooks({}); });
    Handler handler;
    handler.raise = [kind] {
        if (kind == 0)
            throw store::Error(QStringLiteral("Table_stud: 无法在关闭的数据集上执行该操作"));
        if (kind == 1)
            throw store::Conflict(QStringLiteral("该记录已被其他用户修改或删除,修改没有保存!"));
        throw std::out_of_range("vector::_M_range_check");
    };
    QPushButton button;
    ui::connectGuarded(&button, &QPushButton::clicked, &handler, &Handler::click);

    button.click();
    button.click();

    QCOMPARE(handler.calls, 2); // the program went on after the first error
    QCOMPARE(boxes.shown.size(), 2);
    for (const ui::ShownBox &box : boxes.shown) {
        QCOMPARE(box.text, shown);
        QCOMPARE(box.title, QStringLiteral("Quillmere"));
        QCOMPARE(box.icon, ui::Icon::Error);
        QCOMPARE(box.buttons, ui::Buttons::Ok);
    }
    // Each action was undone before its box was shown.
    QCOMPARE(boxesAtRollback, (QList<qsizetype>{0, 1}));
}

void AppCoreTest::guardedHandlerGetsTheSignalArguments()
{
    fixture::Boxes boxes;
    QSpinBox box;
    QList<int> values;
    int bare = 0;
    ui::connectGuarded(&box, &QSpinBox::valueChanged, &box, [&](int v) { values << v; });
    ui::connectGuarded(&box, &QSpinBox::valueChanged, &box, [&] { ++bare; });
    box.setValue(3);
    box.setValue(5);
    QCOMPARE(values, (QList<int>{3, 5}));
    QCOMPARE(bare, 2);
    QVERIFY(boxes.shown.isEmpty());
}

void AppCoreTest::programPaths_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("engine");
    QTest::newRow("installation") << "/opt/records/quillmere" << "/opt/records/DB_Files/" << "/opt/records/BDE_Drivers/";
    QTest::newRow("root of the file system") << "/quillmere" << "/DB_Files/" << "/BDE_Drivers/";
    QTest::newRow("redundant parts") << "/opt/a/../records/./quillmere" << "/opt/records/DB_Files/"
                                     << "/opt/records/BDE_Drivers/";
}

void AppCoreTest::programPaths()
{
    QFETCH(QString, program);
    QFETCH(QString, data);
    QFETCH(QString, engine);
    const ProgramPaths p = ::programPaths(program);
    QCOMPARE(p.dataPath, data);
    QCOMPARE(p.enginePath, engine);
    // Another current directory changes nothing.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    QCOMPARE(::programPaths(program).dataPath, data);
    QDir::setCurrent(cwd);
}

void AppCoreTest::registryValuesRewrittenAndMoved()
{
    const QString key = QStringLiteral("SOFTWARE\\Borland\\Database Engine");
    TForm1_Denglu::RegisterEngine(QStringLiteral("/opt/a/BDE_Drivers/"));
    TForm1_Denglu::RegisterEngine(QStringLiteral("/opt/a/BDE_Drivers/"));
    QCOMPARE(TRegistry::readString(key, QStringLiteral("CONFIGFILE01")), QStringLiteral("/opt/a/BDE_Drivers/IDAPI32.CFG"));
    QCOMPARE(TRegistry::readString(key, QStringLiteral("DLLPath")), QStringLiteral("/opt/a/BDE_Drivers/"));
    // Value names ignore case, as the engine's loader reads "DLLPATH".
    QCOMPARE(TRegistry::readString(key.toLower(), QStringLiteral("DLLPATH")), QStringLiteral("/opt/a/BDE_Drivers/"));
    TForm1_Denglu::RegisterEngine(QStringLiteral("/srv/moved \"x\"\\/BDE_Drivers/"));
    QCOMPARE(TRegistry::readString(key, QStringLiteral("DLLPath")), QStringLiteral("/srv/moved \"x\"\\/BDE_Drivers/"));
    QFile hive(TRegistry::hiveFile());
    QVERIFY(hive.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(hive.readAll()).count(QStringLiteral("\"DLLPath\"")), 1);
}

void AppCoreTest::registryFailuresRaiseTheirTexts()
{
    QTemporaryDir other;
    qputenv("XDG_CONFIG_HOME", other.path().toUtf8());
    // A directory where the hive file belongs: nothing can be written.
    QVERIFY(QDir().mkpath(TRegistry::hiveFile()));
    try {
        TForm1_Denglu::RegisterEngine(QStringLiteral("/opt/a/BDE_Drivers/"));
        QFAIL("the key cannot be created");
    } catch (const store::Error &e) {
        QCOMPARE(e.text(), QStringLiteral("创建主键 Borland 失败"));
    }
    TRegistry reg;
    QVERIFY(!reg.OpenKey(QStringLiteral("\\SOFTWARE"), true));
    try {
        reg.WriteString(QStringLiteral("DLLPath"), QStringLiteral("x"));
        QFAIL("the value cannot be written");
    } catch (const store::Error &e) {
        QCOMPARE(e.text(), QStringLiteral("为 'DLLPath' 设置数据时失败"));
    }
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

// Qt's own buttons and dialogs follow the desktop's language.
void AppCoreTest::qtDialogsSpeakTheDesktopLanguage()
{
    auto back = qScopeGuard([] { installQtTranslations(QLocale::c()); });
    const auto texts = [] {
        QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        return QStringList{box.button(QDialogButtonBox::Save)->text(), box.button(QDialogButtonBox::Cancel)->text()};
    };
    installQtTranslations(QLocale(QStringLiteral("zh_CN")));
    QCOMPARE(texts(), (QStringList{QStringLiteral("保存"), QStringLiteral("取消")}));
    installQtTranslations(QLocale::c());
    QCOMPARE(texts(), (QStringList{QStringLiteral("Save"), QStringLiteral("Cancel")}));
}

// The Song name draws with the Noto Serif CJK face, the Hei name and the
// Latin names of the windows with the Noto Sans CJK face.
void AppCoreTest::windowFontNamesDrawWithNotoCjk_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("face");
    QTest::newRow("宋体") << "宋体" << "Noto Serif CJK SC";
    QTest::newRow("SimSun") << "SimSun" << "Noto Serif CJK SC";
    QTest::newRow("黑体") << "黑体" << "Noto Sans CJK SC";
    QTest::newRow("MS Sans Serif") << "MS Sans Serif" << "Noto Sans CJK SC";
    QTest::newRow("Arial") << "Arial" << "Noto Sans CJK SC";
}

void AppCoreTest::windowFontNamesDrawWithNotoCjk()
{
    QFETCH(QString, name);
    QFETCH(QString, face);
    QFont f(name);
    f.setPixelSize(13);
    QCOMPARE(QFontInfo(f).family(), face);
}

// Without the GBK converter (looked up under a name no converter answers
// to) neither the program nor a tool starts, each saying why; with it both
// start, and no conversion falls back to another code page meanwhile.
void AppCoreTest::withoutGbkNothingStarts()
{
    std::FILE *out = std::tmpfile();
    QVERIFY(out);
    auto closeOut = qScopeGuard([out] { std::fclose(out); });
    auto written = [out] {
        std::fflush(out);
        std::rewind(out);
        QByteArray all(4096, '\0');
        all.truncate(qsizetype(std::fread(all.data(), 1, size_t(all.size()), out)));
        std::rewind(out);
        return QString::fromUtf8(all);
    };
    {
        fixture::Boxes boxes;
        QVERIFY(codepageReady());
        QCOMPARE(tools::refuseWithoutCodepage("quillmere-initdb", out), 0);
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(written(), QString());
        QCOMPARE(store::cp936::byteLength(QStringLiteral("口令a")), 5);
    }

    store::cp936::setConverterNameForTesting("no-such-code-page");
    auto restore = qScopeGuard([] { store::cp936::setConverterNameForTesting({}); });
    const QString why = store::cp936::unavailableText();
    QVERIFY(why.contains(QStringLiteral("GBK")));
    fixture::Boxes boxes;
    QVERIFY(!codepageReady());
    QCOMPARE(boxes.texts(), QStringList{ui::standardErrorText(why)});
    QCOMPARE(boxes.shown[0].icon, ui::Icon::Error);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Quillmere"));
    QCOMPARE(tools::refuseWithoutCodepage("quillmere-initdb", out), 2);
    QCOMPARE(written(), QStringLiteral("quillmere-initdb: ") + why + u'\n');

    const std::function<void()> conversions[] = {
        [] { store::cp936::encode(QStringLiteral("口令")); },
        [] { store::cp936::decode(QByteArray("\xbf\xda")); },
        [] { store::cp936::cut(QStringLiteral("学生"), 2); },
    };
    for (const auto &convert : conversions) {
        QString error;
        try {
            convert();
        } catch (const store::Error &e) {
            error = e.text();
        }
        QCOMPARE(error, why);
    }
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    store::installActionHooks();
    AppCoreTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_app_core.moc"
