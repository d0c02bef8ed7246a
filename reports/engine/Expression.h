// Report expressions: single-quoted text literals, whole numbers and the
// counters COUNT and PAGENUMBER, joined with "+".
#pragma once

#include <QString>

#include <stdexcept>
#include <vector>

namespace report {

// A report that cannot be laid out as built: a malformed expression, a
// second band of a kind that exists once. Thrown while the layout is built,
// so a mistake shows the first time the report object is made.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The values an expression may refer to at the moment a band is printed.
struct ExpressionContext {
    qint64 count = 0;      // master records printed so far
    int pageNumber = 1;    // page being printed, from 1
};

class Expression {
public:
    Expression() = default;

    // Parses the source once; throws ReportError on a malformed text.
    // Names are matched without regard to case; '' inside a literal stands
    // for one quote.
    static Expression parse(const QString &source);

    // "+" adds two numbers and otherwise joins texts, a number turned into
    // its decimal digits; it works from left to right, so 1+2+'a' is "3a"
    // and 'a'+1+2 is "a12".
    QString evaluate(const ExpressionContext &ctx) const;

    QString source() const { return m_source; }

private:
    struct Term {
        enum Kind { Literal, Number, Count, PageNumber } kind;
        QString text;
        qint64 number = 0;
    };
    QString m_source;
    std::vector<Term> m_terms;
};

} // namespace report
