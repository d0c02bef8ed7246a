// What reaches paper: fonts, PDF files and printer output, read back with
// the poppler tools where they are installed.
#include "ReportFixtures.h"

#include "core/Dates.h"
#include "reports/engine/ReportFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QScopeGuard>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;
using fixtures::ListReport;

namespace {

constexpr double ptPerMm = 72.0 / 25.4;


#define REQUIRE_TOOL(var, tool, args)                                           \
    const std::optional<QString> var##_ = fixtures::runTool(tool, args);                  \
    if (!var##_)                                                                \
        QSKIP(tool " (poppler-utils) is not installed");                        \
    const QString var = *var##_;

// The text of each page, blanks removed (pdftotext spaces CJK freely).
QStringList pageTexts(const QString &text)
{
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString &p : pages)
        p.remove(QRegularExpression(QStringLiteral("\\s")));
    return pages;
}

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;
};

QList<Word> words(const QString &bboxHtml)
{
    static const QRegularExpression re(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> out;
    for (auto it = re.globalMatch(bboxHtml); it.hasNext();) {
        const auto m = it.next();
        out << Word{m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                    m.captured(3).toDouble(), m.captured(4).toDouble()};
    }
    return out;
}

} // namespace

class TestReportOutput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fontSubstitution_data();
    void fontSubstitution();
    void pdfPagesAndTexts();
    void pdfEmbedsTheFaces_data();
    void pdfEmbedsTheFaces();
    void pdfTextPositions();
    void pdfToAnUnwritablePath();
    void printerRangeAndCopies_data();
    void printerRangeAndCopies();

private:
    QTemporaryDir m_dir;
};

void TestReportOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    installFontSubstitutions();
}

void TestReportOutput::fontSubstitution_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("face");     // "" = any face with Arial's widths
    QTest::addColumn<QString>("appFace");  // the application maps the name to this face meanwhile
    QTest::newRow("宋体") << "宋体" << "AR PL UMing CN" << QString();
    QTest::newRow("SimSun") << "SimSun" << "AR PL UMing CN" << QString();
    QTest::newRow("黑体") << "黑体" << "WenQuanYi Zen Hei" << QString();
    QTest::newRow("SimHei") << "SimHei" << "WenQuanYi Zen Hei" << QString();
    QTest::newRow("Arial") << "Arial" << QString() << QString();
    QTest::newRow("MS Sans Serif") << "MS Sans Serif" << QString() << QString();
    // The windows' own substitutions must not reach the paper.
    QTest::newRow("Arial, windows use DejaVu") << "Arial" << QString() << "DejaVu Sans";
    QTest::newRow("宋体, windows use Zen Hei") << "宋体" << "AR PL UMing CN" << "WenQuanYi Zen Hei";
}

void TestReportOutput::fontSubstitution()
{
    QFETCH(QString, name);
    QFETCH(QString, face);
    QFETCH(QString, appFace);
    const QStringList families = QFontDatabase::families();
    if (!appFace.isEmpty()) {
        if (!QFontDatabase::hasFamily(appFace))
            QSKIP(qPrintable(appFace + QStringLiteral(" is not installed")));
        QFont::removeSubstitutions(name);
        QFont::insertSubstitution(name, appFace);
    }
    const auto restore = qScopeGuard([] { installFontSubstitutions(); });

    if (!face.isEmpty()) {
        if (!QFontDatabase::hasFamily(face))
            QSKIP(qPrintable(face + QStringLiteral(" is not installed")));
        // By the name the desktop lists it by ("文泉驿正黑" on a Chinese one).
        QCOMPARE(QFontInfo(toQFont({name, 10, false})).family(), QFontInfo(QFont(face)).family());
        return;
    }
    // Liberation Sans, Arimo and Nimbus Sans have Arial's widths; a family
    // of several foundries is listed as "Nimbus Sans [urw]".
    static const QRegularExpression arialWidths(QStringLiteral("^(Liberation Sans|Arimo|Nimbus Sans)( \\[.*\\])?$"));
    if (families.filter(arialWidths).isEmpty())
        QSKIP("no face with Arial's widths is installed");
    QFont f = toQFont({name, 10, false});
    f.setPixelSize(2048);
    const QFontMetricsF m(f);
    // Arial's advance widths, in its 2048 units to the em.
    const std::pair<QChar, double> widths[] = {{u'W', 1933}, {u'i', 455}, {u'0', 1139}, {u' ', 569}};
    for (const auto &[c, w] : widths)
        QVERIFY2(std::abs(m.horizontalAdvance(c) - w) <= 2.0,
                 qPrintable(QStringLiteral("%1: %2 in %3").arg(c).arg(m.horizontalAdvance(c)).arg(QFontInfo(f).family())));
}

void TestReportOutput::pdfPagesAndTexts()
{
    ListReport f(30);
    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 2);
    const QString path = m_dir.filePath(QStringLiteral("list.pdf"));
    QString error;
    QVERIFY2(writePdf(doc, path, &error), qPrintable(error));

    REQUIRE_TOOL(info, "pdfinfo", {path})
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts"))),
             qPrintable(info));

    REQUIRE_TOOL(text, "pdftotext", (QStringList{QStringLiteral("-layout"), path, QStringLiteral("-")}))
    const QStringList pages = pageTexts(text);
    QCOMPARE(pages.size(), 2);
    QVERIFY2(pages[0].startsWith(QStringLiteral("班级信息表%1班级号班级名称1班级1").arg(dates::text(QDate(2003, 4, 23)))),
             qPrintable(pages[0]));
    QVERIFY(pages[0].endsWith(QStringLiteral("23班级23第1页")));
    QVERIFY2(pages[1].startsWith(QStringLiteral("班级号班级名称24班级24")), qPrintable(pages[1]));
    QVERIFY(pages[1].endsWith(QStringLiteral("30班级30共有30个班级第2页")));
}

void TestReportOutput::pdfEmbedsTheFaces_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("embedded"); // parts of the embedded font names

    QTest::newRow("宋体") << "宋体" << QStringList{"UMing"};
    QTest::newRow("黑体") << "黑体" << QStringList{"ZenHei"};
    // Chinese text in a Latin face comes out in the Song face; "" stands
    // for the face that draws the Latin text.
    QTest::newRow("Arial") << "Arial" << QStringList{"", "UMing"};
}

void TestReportOutput::pdfEmbedsTheFaces()
{
    QFETCH(QString, family);
    QFETCH(QStringList, embedded);

    Report r;
    r.addBand(BandKind::Title, 10.6).addText(10, 2, QStringLiteral("第 12 页 Page"), {family, 12, false});
    const QString path = m_dir.filePath(QStringLiteral("font-%1.pdf").arg(QTest::currentDataTag()));
    QVERIFY(writePdf(r.prepare(), path));

    REQUIRE_TOOL(fonts, "pdffonts", {path})
    // name type encoding emb sub uni object ID
    const QStringList lines = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY2(!lines.isEmpty(), qPrintable(fonts));
    QStringList names;
    for (const QString &line : lines) {
        const QStringList cols = line.simplified().split(QLatin1Char(' '));
        QVERIFY2(cols.size() >= 7, qPrintable(line));
        QCOMPARE(cols[cols.size() - 5], QStringLiteral("yes")); // emb
        names << cols.first();
    }
    for (QString part : embedded) {
        if (part.isEmpty())
            part = QFontInfo(toQFont({family, 12, false})).family()
                           .remove(QRegularExpression(QStringLiteral(" \\[.*\\]$")))   // the foundry
                           .remove(QLatin1Char(' '));
        QVERIFY2(names.join(QLatin1Char(' ')).contains(part), qPrintable(part + QLatin1Char('\n') + fonts));
    }

    REQUIRE_TOOL(text, "pdftotext", (QStringList{path, QStringLiteral("-")}))
    QCOMPARE(pageTexts(text), QStringList{QStringLiteral("第12页Page")});
}

void TestReportOutput::pdfTextPositions()
{
    MemoryReportData data({QStringLiteral("学号"), QStringLiteral("姓名")});
    data.addRecord({QStringLiteral("1"), QStringLiteral("张三")});
    data.addRecord({QStringLiteral("20030101"), QStringLiteral("李四")});
    Report r;
    r.setMaster(&data);
    r.setMargins(QMarginsF(8, 10, 8, 10));
    Band &detail = r.addBand(BandKind::Detail, 10.6);
    detail.addDataText(3.2, 3.2, QStringLiteral("学号")).setWidth(8.6).setCentred();
    detail.addDataText(19.1, 3.2, QStringLiteral("姓名"));
    const QString path = m_dir.filePath(QStringLiteral("positions.pdf"));
    QVERIFY(writePdf(r.prepare(), path));

    REQUIRE_TOOL(html, "pdftotext", (QStringList{QStringLiteral("-bbox"), path, QStringLiteral("-")}))
    QHash<QString, Word> byText;
    for (const Word &w : words(html))
        byText.insert(w.text, w);
    QVERIFY2(byText.size() == 4, qPrintable(html));

    // Left-aligned names start at their x; numbers of any width are centred
    // on 8 + 3.2 + 8.6 / 2 = 15.5 mm. The text's top is the element's y.
    const double tolerance = 0.5 * ptPerMm;
    for (int row = 0; row < 2; ++row) {
        const Word name = byText.value(row == 0 ? QStringLiteral("张三") : QStringLiteral("李四"));
        const Word no = byText.value(row == 0 ? QStringLiteral("1") : QStringLiteral("20030101"));
        const double top = (10 + row * 10.6 + 3.2) * ptPerMm;
        QVERIFY2(std::abs(name.xMin - (8 + 19.1) * ptPerMm) < tolerance, qPrintable(QString::number(name.xMin)));
        QVERIFY2(std::abs((no.xMin + no.xMax) / 2 - 15.5 * ptPerMm) < tolerance,
                 qPrintable(QStringLiteral("%1..%2").arg(no.xMin).arg(no.xMax)));
        QVERIFY2(std::abs(name.yMin - top) < 2 * tolerance, qPrintable(QString::number(name.yMin)));
        QVERIFY2(std::abs(no.yMin - top) < 2 * tolerance, qPrintable(QString::number(no.yMin)));
    }
}

void TestReportOutput::pdfToAnUnwritablePath()
{
    ListReport f(1);
    QString error;
    QVERIFY(!writePdf(f.report.prepare(), m_dir.filePath(QStringLiteral("missing/dir/out.pdf")), &error));
    QVERIFY(error.contains(QStringLiteral("missing/dir/out.pdf")));
}

void TestReportOutput::printerRangeAndCopies_data()
{
    QTest::addColumn<int>("range"); // QPrinter::PrintRange
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<int>>("printed"); // page numbers of the sheets, empty: refused

    QTest::newRow("all pages") << int(QPrinter::AllPages) << 0 << 0 << 1 << true << QList<int>{1, 2, 3};
    QTest::newRow("range") << int(QPrinter::PageRange) << 2 << 3 << 1 << true << QList<int>{2, 3};
    QTest::newRow("range past the end") << int(QPrinter::PageRange) << 3 << 9 << 1 << true << QList<int>{3};
    QTest::newRow("current page") << int(QPrinter::CurrentPage) << 0 << 0 << 1 << true << QList<int>{2};
    QTest::newRow("copies collated") << int(QPrinter::AllPages) << 0 << 0 << 2 << true
                                     << QList<int>{1, 2, 3, 1, 2, 3};
    QTest::newRow("copies uncollated") << int(QPrinter::PageRange) << 1 << 2 << 2 << false
                                       << QList<int>{1, 1, 2, 2};
    QTest::newRow("range without pages") << int(QPrinter::PageRange) << 4 << 5 << 1 << true << QList<int>{};
}

void TestReportOutput::printerRangeAndCopies()
{
    QFETCH(int, range);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<int>, printed);

    ListReport f(60);
    const ReportDocument doc = f.report.prepare();
    QCOMPARE(doc.pageCount(), 3);

    const QString path = m_dir.filePath(QStringLiteral("printed-%1.pdf").arg(QTest::currentDataTag()));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    setUpPrinter(printer, doc);
    printer.setPrintRange(QPrinter::PrintRange(range));
    printer.setFromTo(from, to);
    printer.setCopyCount(copies);
    printer.setCollateCopies(collate);

    const bool ok = printDocument(doc, printer, 2);
    QCOMPARE(ok, !printed.isEmpty());
    if (!ok)
        return;

    REQUIRE_TOOL(text, "pdftotext", (QStringList{path, QStringLiteral("-")}))
    QList<int> sheets;
    static const QRegularExpression footer(QStringLiteral("第(\\d+)页"));
    for (const QString &page : pageTexts(text)) {
        const auto m = footer.match(page);
        QVERIFY2(m.hasMatch(), qPrintable(page));
        sheets << m.captured(1).toInt();
    }
    QCOMPARE(sheets, printed);
}

QTEST_MAIN(TestReportOutput)
#include "test_report_output.moc"
