#include "reports/engine/Expression.h"

namespace report {

namespace {

[[noreturn]] void fail(const QString &source, const QString &why)
{
    throw ReportError(QStringLiteral("Bad report expression \"%1\": %2").arg(source, why));
}

} // namespace

Expression Expression::parse(const QString &source)
{
    Expression e;
    e.m_source = source;
    const int n = int(source.size());
    int i = 0;
    auto skipBlanks = [&] {
        while (i < n && source.at(i).isSpace())
            ++i;
    };

    skipBlanks();
    if (i == n)
        return e; // an empty expression prints nothing

    for (;;) {
        skipBlanks();
        if (i == n)
            fail(source, QStringLiteral("a value is missing at the end"));
        const QChar c = source.at(i);
        Term t{Term::Literal, {}, 0};
        if (c == u'\'') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (source.at(i) == u'\'') {
                    if (i + 1 < n && source.at(i + 1) == u'\'') {
                        t.text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.text += source.at(i++);
            }
            if (!closed)
                fail(source, QStringLiteral("a text is not closed by a quote"));
        } else if (c.isDigit()) {
            const int start = i;
            while (i < n && source.at(i).isDigit())
                ++i;
            bool ok = false;
            t.kind = Term::Number;
            t.number = source.mid(start, i - start).toLongLong(&ok);
            if (!ok)
                fail(source, QStringLiteral("the number is too large"));
        } else if (c.isLetter() || c == u'_') {
            const int start = i;
            while (i < n && (source.at(i).isLetterOrNumber() || source.at(i) == u'_'))
                ++i;
            const QString name = source.mid(start, i - start);
            if (name.compare(QLatin1String("COUNT"), Qt::CaseInsensitive) == 0)
                t.kind = Term::Count;
            else if (name.compare(QLatin1String("PAGENUMBER"), Qt::CaseInsensitive) == 0)
                t.kind = Term::PageNumber;
            else
                fail(source, QStringLiteral("unknown name %1").arg(name));
        } else {
            fail(source, QStringLiteral("unexpected \"%1\"").arg(c));
        }
        e.m_terms.push_back(std::move(t));

        skipBlanks();
        if (i == n)
            break;
        if (source.at(i) != u'+')
            fail(source, QStringLiteral("\"+\" expected before \"%1\"").arg(source.mid(i)));
        ++i;
    }
    return e;
}

QString Expression::evaluate(const ExpressionContext &ctx) const
{
    // The running value is a number until a text joins it.
    bool isNumber = false;
    qint64 number = 0;
    QString text;
    bool firstTerm = true;
    for (const Term &t : m_terms) {
        qint64 n = 0;
        bool termIsNumber = true;
        switch (t.kind) {
        case Term::Literal: termIsNumber = false; break;
        case Term::Number: n = t.number; break;
        case Term::Count: n = ctx.count; break;
        case Term::PageNumber: n = ctx.pageNumber; break;
        }
        if (firstTerm) {
            isNumber = termIsNumber;
            if (isNumber)
                number = n;
            else
                text = t.text;
            firstTerm = false;
        } else if (isNumber && termIsNumber) {
            number += n;
        } else {
            if (isNumber) {
                text = QString::number(number);
                isNumber = false;
            }
            text += termIsNumber ? QString::number(n) : t.text;
        }
    }
    return isNumber ? QString::number(number) : text;
}

} // namespace report
