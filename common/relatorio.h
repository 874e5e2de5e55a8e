#pragma once
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QMarginsF>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class QPagedPaintDevice;

// A small banded report engine: a report is a set of bands (page header,
// title, group header, detail, group footer, summary, page footer), each a
// list of elements placed in millimetres. It paints onto any paged device —
// the print preview's printer, a PDF writer — reading its rows one at a time.
namespace orva::report {

// Formats a number with a mask of up to three sections, "positive;negative;zero",
// made of '#' (optional digit), '0' (required digit), ',' (group thousands) and
// '.' (decimal point); other characters are copied as they stand. A value that
// rounds to zero takes the zero section when there is one; a negative value
// takes the negative section, which gets no sign of its own; without one it is
// written with the positive section and a leading minus sign. The separators
// are the locale's. "###,###,###,##0.00;0;*": 1234.5 -> "1.234,50", -1234.5 ->
// "1235" (whole, unsigned), 0 -> "*".
QString formatNumber(double value, const QString &mask, const QLocale &locale = QLocale());

// The rows a report prints, read forward. first() may run the statement again:
// a report is painted once for the preview and again for each print.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual void first() = 0;
    virtual bool eof() = 0;
    virtual void next() = 0;
    // The current row's value by column name: as text the user reads it
    // (dates DD/MM/YYYY, numbers in the locale's decimal form), as a number,
    // and whether the column holds a number (masks apply only then).
    virtual QString text(const QString &field) = 0;
    virtual double number(const QString &field) = 0;
    virtual bool isNumeric(const QString &field) = 0;
};

// Rows held in memory: single-record reports (a receipt) and tests.
class TableSource : public RowSource {
public:
    TableSource(QStringList columns, QList<QVariantList> rows);
    void first() override { m_row = 0; }
    bool eof() override { return m_row >= m_rows.size(); }
    void next() override { ++m_row; }
    QString text(const QString &field) override;
    double number(const QString &field) override;
    bool isNumeric(const QString &field) override;

private:
    QVariant value(const QString &field) const;
    QStringList m_columns;
    QList<QVariantList> m_rows;
    qsizetype m_row = 0;
};

enum class ElementKind {
    Label,      // fixed text
    Field,      // a column of the current row
    Sum,        // the total of a column over the group (group footer) or the report (summary)
    Line,       // a horizontal rule along the top of its box
    Title,      // the report's title
    DateTime,   // the date and time the report was started
    PageNumber, // the number of the page
    Image,      // a picture, scaled to fit its box
    RichText,   // HTML text, word-wrapped to the box's width
};

struct Element {
    ElementKind kind = ElementKind::Label;
    QRectF box;        // millimetres from the band's top-left corner
    QString text;      // Label/RichText: the text; Field/Sum: the column name
    QString mask;      // Field: applied when the value is numeric; Sum: always
    Qt::Alignment alignment = Qt::AlignLeft;
    bool bold = false;
    double pointSize = 0; // 0: the report's font size
    QImage image;
    bool grow = false; // RichText: the band grows to hold the whole text
    QString name;      // lets a report find one of its elements again

    Element &named(const QString &n) { name = n; return *this; }
    Element &inBold(bool on = true) { bold = on; return *this; }
    Element &sized(double points) { pointSize = points; return *this; }
};

// Element builders. Boxes are (left, top, width, height) in millimetres.
Element label(const QString &text, const QRectF &box, Qt::Alignment alignment = Qt::AlignLeft);
Element field(const QString &column, const QRectF &box, Qt::Alignment alignment = Qt::AlignLeft,
              const QString &mask = QString());
Element sum(const QString &column, const QRectF &box, const QString &format, Qt::Alignment alignment = Qt::AlignRight);
Element line(double top, double left, double width);
Element title(const QRectF &box, Qt::Alignment alignment = Qt::AlignHCenter);
Element dateTime(const QRectF &box, Qt::Alignment alignment = Qt::AlignRight);
Element pageNumber(const QRectF &box, Qt::Alignment alignment = Qt::AlignRight);
Element image(const QImage &picture, const QRectF &box);
Element richText(const QString &html, const QRectF &box, bool grow = true);

struct Band {
    double height = 0; // millimetres; a band of height 0 is not printed
    std::vector<Element> elements;

    Band &add(const Element &element)
    {
        elements.push_back(element);
        return *this;
    }
    bool printed() const { return height > 0; }
    // The element given that name, or nullptr.
    Element *find(const QString &name);
    const Element *find(const QString &name) const;
};

class Report {
public:
    Report();

    QString title;
    QPageSize::PageSizeId paper = QPageSize::A4; // portrait
    QMarginsF margins{10, 10, 10, 10};            // millimetres
    QFont font;                                    // 9 pt sans serif unless changed

    Band pageHeader;  // top of every page
    Band titleBand;   // once, below the first page header
    Band groupHeader; // whenever the group column changes
    Band detail;      // once per row
    Band groupFooter; // after the last row of each group; its sums are the group's
    Band summary;     // once, after the last row; its sums are the whole report's
    Band pageFooter;  // bottom of every page

    // The column whose change starts a new group; empty: no groups.
    QString groupField;
    // Each group starts on a page of its own.
    bool groupOnNewPage = true;

    // The usual list layout: the title centred and the date and time at the
    // right, then the column headings given (placed from the heading line)
    // and a rule; at the bottom a rule and "Pagina:" with the page number.
    void standardPage(const std::vector<Element> &headings);

    // Width between the margins, millimetres.
    double contentWidth() const;

    // Paints every page; `now` is the date and time the header shows.
    // Returns the number of pages. Errors of the row source propagate.
    int render(QPagedPaintDevice *device, RowSource &rows, const QDateTime &now) const;
    // Renders into a PDF file; throws orva::Error when it cannot be written.
    int writePdf(const QString &path, RowSource &rows, const QDateTime &now) const;
};

} // namespace orva::report
