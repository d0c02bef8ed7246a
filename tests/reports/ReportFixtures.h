// Small reports shaped like the program's own: a ruled two-column list and
// a master list with a sub-detail of scores.
#pragma once

#include "reports/engine/Report.h"

#include <QDate>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QMarginsF>

#include <optional>

namespace fixtures {

using namespace report;

// Title, ruled column header and detail with two columns, a summary with
// the count, a footer with the page number. Record i has the fields
// "no" = i and "name" = "班级i".
struct ListReport {
    MemoryReportData data{QStringList{QStringLiteral("no"), QStringLiteral("name")}};
    Report report;
    double band;

    explicit ListReport(int records, double bandHeight = 10.6,
                        const QMarginsF &margins = QMarginsF(10, 10, 100, 10))
        : band(bandHeight)
    {
        for (int i = 1; i <= records; ++i)
            data.addRecord({QString::number(i), QStringLiteral("班级%1").arg(i)});
        report.setMaster(&data);
        report.setTitle(QStringLiteral("班级信息表"));
        report.setMargins(margins);
        report.setToday(QDate(2003, 4, 23));

        Band &title = report.addBand(BandKind::Title, band);
        title.addText(32.8, 3.2, QStringLiteral("班级信息表"), {QStringLiteral("宋体"), 14, true});
        title.addDate(78.3, 3.2);

        Band &head = report.addBand(BandKind::ColumnHeader, band).setFrame(FrameAll);
        head.addText(5.3, 3.2, QStringLiteral("班级号"));
        head.addText(27.5, 3.2, QStringLiteral("班级名称"));
        head.addVerticalLine(23.4);

        Band &detail = report.addBand(BandKind::Detail, band).setFrame(FrameAll);
        detail.addDataText(5.3, 2.1, QStringLiteral("no"));
        detail.addDataText(27.5, 2.1, QStringLiteral("name"));
        detail.addVerticalLine(23.4);

        report.addBand(BandKind::Summary, band)
                .addExpression(4.2, 3.2, QStringLiteral("'共有 '+COUNT+' 个班级'"))
                .setFont({QStringLiteral("宋体"), 10, false});
        report.addBand(BandKind::PageFooter, band)
                .addExpression(36.0, 3.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
    }
};

// Students as master, their scores as a sub-detail that follows the current
// student; page header instead of a title, no summary.
struct ScoreReport {
    MemoryReportData students{QStringList{QStringLiteral("学号"), QStringLiteral("姓名")}};
    MemoryReportData scores{QStringList{QStringLiteral("学号"), QStringLiteral("科目"), QStringLiteral("成绩")}};
    Report report;

    ScoreReport()
    {
        scores.setMaster(&students, QStringLiteral("学号"), QStringLiteral("学号"));
        report.setMaster(&students);
        report.setMargins(QMarginsF(10, 10, 10, 10));
        report.setToday(QDate(2003, 4, 23));

        Band &head = report.addBand(BandKind::PageHeader, 10.6);
        head.addText(74.1, 3.2, QStringLiteral("学生成绩信息表"), {QStringLiteral("黑体"), 14, true});
        head.addDate(157.7, 3.2);

        Band &cols = report.addBand(BandKind::ColumnHeader, 10.6).setFrame(FrameAll);
        cols.addText(9.5, 3.2, QStringLiteral("姓名"), {QStringLiteral("黑体"), 12, false});
        cols.addText(96.3, 3.2, QStringLiteral("成绩情况"), {QStringLiteral("黑体"), 12, false});
        cols.addVerticalLine(35.7);

        Band &detail = report.addBand(BandKind::Detail, 10.6).setFrame(FrameAll);
        detail.addDataText(9.5, 3.2, QStringLiteral("姓名"));
        detail.addText(47.6, 3.2, QStringLiteral("科目"));
        detail.addText(92.1, 3.2, QStringLiteral("成绩"));
        for (double x : {35.7, 83.3})
            detail.addVerticalLine(x);

        Band &sub = report.addSubDetail(&scores, 10.6).setFrame(FrameAll);
        sub.addDataText(47.6, 3.2, QStringLiteral("科目"));
        sub.addDataText(92.1, 3.2, QStringLiteral("成绩"));
        for (double x : {35.7, 83.3})
            sub.addVerticalLine(x);

        report.addBand(BandKind::PageFooter, 10.6)
                .addExpression(85.7, 4.2, QStringLiteral("'第 '+PAGENUMBER+' 页'"));
    }

    // A student with `count` scores, subjects "<no>-1" … "<no>-count".
    void addStudent(const QString &no, const QString &name, int count)
    {
        students.addRecord({no, name});
        for (int i = 1; i <= count; ++i)
            scores.addRecord({no, QStringLiteral("%1-%2").arg(no).arg(i), 60 + i});
    }
};

// Runs a tool (poppler's, say); empty optional when it is not installed,
// an empty text when it fails.
inline std::optional<QString> runTool(const QString &tool, const QStringList &args)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QList<BandKind> bandKinds(const ReportPage &page)
{
    QList<BandKind> out;
    for (const PlacedBand &b : page.bands)
        out << b.kind;
    return out;
}

} // namespace fixtures
