#include "relatorio.h"

#include "common/errors.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>

#include <cmath>

namespace orva::report {

// ---- numbers ----

namespace {

bool isPlaceholder(QChar c) { return c == QLatin1Char('#') || c == QLatin1Char('0'); }

struct Section {
    QString prefix, suffix;
    bool hasDigits = false;
    bool grouping = false;
    int minInteger = 0;
    int minFraction = 0;
    int maxFraction = 0;
    QString literal; // the whole section, for one without digits ("*")
};

Section parseSection(const QString &text)
{
    Section s;
    s.literal = text;
    qsizetype firstDigit = -1, lastDigit = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isPlaceholder(text[i])) {
            if (firstDigit < 0)
                firstDigit = i;
            lastDigit = i;
        }
    }
    if (firstDigit < 0)
        return s;
    s.hasDigits = true;
    s.prefix = text.left(firstDigit);
    s.suffix = text.mid(lastDigit + 1);
    const QString core = text.mid(firstDigit, lastDigit - firstDigit + 1);
    const qsizetype point = core.indexOf(QLatin1Char('.'));
    const QString integer = point < 0 ? core : core.left(point);
    const QString fraction = point < 0 ? QString() : core.mid(point + 1);
    s.grouping = integer.contains(QLatin1Char(','));
    s.minInteger = static_cast<int>(integer.count(QLatin1Char('0')));
    s.minFraction = static_cast<int>(fraction.count(QLatin1Char('0')));
    s.maxFraction = s.minFraction + static_cast<int>(fraction.count(QLatin1Char('#')));
    return s;
}

double roundTo(double magnitude, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(magnitude * scale) / scale; // halves away from zero
}

QString formatMagnitude(double magnitude, const Section &s, const QLocale &locale)
{
    if (!s.hasDigits)
        return s.literal;
    const QString plain = QString::number(roundTo(magnitude, s.maxFraction), 'f', s.maxFraction);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    QString integer = point < 0 ? plain : plain.left(point);
    QString fraction = point < 0 ? QString() : plain.mid(point + 1);
    while (fraction.size() > s.minFraction && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    while (integer.startsWith(QLatin1Char('0')))
        integer.remove(0, 1);
    while (integer.size() < s.minInteger)
        integer.prepend(QLatin1Char('0'));
    if (s.grouping && integer.size() > 3) {
        const QString group = locale.groupSeparator();
        for (qsizetype i = integer.size() - 3; i > 0; i -= 3)
            integer.insert(i, group);
    }
    QString out = s.prefix + integer;
    if (!fraction.isEmpty())
        out += locale.decimalPoint() + fraction;
    return out + s.suffix;
}

} // namespace

QString formatNumber(double value, const QString &mask, const QLocale &locale)
{
    const QStringList parts = mask.split(QLatin1Char(';'));
    const Section positive = parseSection(parts.value(0));
    const QString negativeText = parts.value(1);
    const QString zeroText = parts.value(2);

    const double magnitude = std::fabs(value);
    if (!zeroText.isEmpty() && roundTo(magnitude, positive.maxFraction) == 0)
        return formatMagnitude(0, parseSection(zeroText), locale);
    if (value < 0 && !negativeText.isEmpty())
        return formatMagnitude(magnitude, parseSection(negativeText), locale);
    const QString text = formatMagnitude(magnitude, positive, locale);
    if (value < 0 && roundTo(magnitude, positive.maxFraction) != 0)
        return locale.negativeSign() + text;
    return text;
}

// ---- rows in memory ----

TableSource::TableSource(QStringList columns, QList<QVariantList> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows))
{
}

QVariant TableSource::value(const QString &field) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(field, Qt::CaseInsensitive) == 0)
            return m_row < m_rows.size() ? m_rows[m_row].value(i) : QVariant();
    throw Error(QStringLiteral("Campo '%1' não encontrado.").arg(field));
}

QString TableSource::text(const QString &field)
{
    const QVariant v = value(field);
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(v.toDouble(), 'f', QLocale::FloatingPointShortest);
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    default:
        return v.toString();
    }
}

double TableSource::number(const QString &field) { return value(field).toDouble(); }

bool TableSource::isNumeric(const QString &field)
{
    switch (value(field).typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// ---- elements and bands ----

Element label(const QString &text, const QRectF &box, Qt::Alignment alignment)
{
    Element e;
    e.kind = ElementKind::Label;
    e.text = text;
    e.box = box;
    e.alignment = alignment;
    return e;
}

Element field(const QString &column, const QRectF &box, Qt::Alignment alignment, const QString &mask)
{
    Element e = label(column, box, alignment);
    e.kind = ElementKind::Field;
    e.mask = mask;
    return e;
}

Element sum(const QString &column, const QRectF &box, const QString &format, Qt::Alignment alignment)
{
    Element e = field(column, box, alignment, format);
    e.kind = ElementKind::Sum;
    return e;
}

Element line(double top, double left, double width)
{
    Element e;
    e.kind = ElementKind::Line;
    e.box = QRectF(left, top, width, 0);
    return e;
}

Element title(const QRectF &box, Qt::Alignment alignment)
{
    Element e = label(QString(), box, alignment);
    e.kind = ElementKind::Title;
    return e;
}

Element dateTime(const QRectF &box, Qt::Alignment alignment)
{
    Element e = label(QString(), box, alignment);
    e.kind = ElementKind::DateTime;
    return e;
}

Element pageNumber(const QRectF &box, Qt::Alignment alignment)
{
    Element e = label(QString(), box, alignment);
    e.kind = ElementKind::PageNumber;
    return e;
}

Element image(const QImage &picture, const QRectF &box)
{
    Element e;
    e.kind = ElementKind::Image;
    e.image = picture;
    e.box = box;
    return e;
}

Element richText(const QString &html, const QRectF &box, bool grow)
{
    Element e = label(html, box);
    e.kind = ElementKind::RichText;
    e.grow = grow;
    return e;
}

Element *Band::find(const QString &name)
{
    for (Element &e : elements)
        if (e.name == name)
            return &e;
    return nullptr;
}

const Element *Band::find(const QString &name) const { return const_cast<Band *>(this)->find(name); }

// ---- the report ----

Report::Report()
{
    // The font every installation has, so that pages break alike everywhere.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    // No ligatures: text copied or extracted from a PDF reads "fi", not one glyph.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPointSizeF(9);
}

double Report::contentWidth() const
{
    return QPageSize(paper).size(QPageSize::Millimeter).width() - margins.left() - margins.right();
}

void Report::standardPage(const std::vector<Element> &headings)
{
    const double w = contentWidth();
    pageHeader = Band();
    pageHeader.add(report::title(QRectF(0, 0, w, 7)).inBold().sized(12).named(QStringLiteral("Titulo")));
    pageHeader.add(dateTime(QRectF(w - 45, 0, 45, 7)).sized(8));
    double rule = 9;
    if (!headings.empty()) {
        double bottom = 0;
        for (Element h : headings) {
            h.box.translate(0, 10);
            h.bold = true;
            bottom = std::max(bottom, h.box.bottom());
            pageHeader.add(h);
        }
        rule = bottom + 1;
    }
    pageHeader.add(line(rule, 0, w));
    pageHeader.height = rule + 2;

    pageFooter = Band();
    pageFooter.add(line(1, 0, w));
    pageFooter.add(label(QStringLiteral("Pagina:"), QRectF(w - 40, 2, 28, 5), Qt::AlignRight));
    pageFooter.add(pageNumber(QRectF(w - 11, 2, 11, 5), Qt::AlignLeft));
    pageFooter.height = 8;
}

namespace {

// One painting pass over the rows.
class Pass {
public:
    Pass(const Report &report, QPagedPaintDevice *device, RowSource &rows, const QDateTime &now)
        : r(report), dev(device), rows(rows), now(now)
    {
        const QSizeF paper = QPageSize(r.paper).size(QPageSize::Millimeter);
        pageHeight = paper.height();
        pxX = dev->logicalDpiX() / 25.4;
        pxY = dev->logicalDpiY() / 25.4;
        groupSums.assign(r.groupFooter.elements.size(), 0.0);
        reportSums.assign(r.summary.elements.size(), 0.0);
    }

    int run()
    {
        if (!painter.begin(dev))
            throw Error(QStringLiteral("Não foi possível iniciar a impressão do relatório."));
        startPage();
        if (r.titleBand.printed())
            print(r.titleBand, false);

        const bool grouped = !r.groupField.isEmpty();
        bool any = false;
        QString key;
        rows.first();
        while (!rows.eof()) {
            if (grouped) {
                const QString k = rows.text(r.groupField);
                if (!any || k != key) {
                    if (any && r.groupFooter.printed())
                        print(r.groupFooter, true, &groupSums);
                    if (r.groupOnNewPage && bodyOnPage)
                        newPage();
                    // Keep a group header together with its first row.
                    print(r.groupHeader, true, nullptr, bandHeight(r.detail));
                    std::fill(groupSums.begin(), groupSums.end(), 0.0);
                    key = k;
                }
            }
            accumulate(r.groupFooter, groupSums);
            accumulate(r.summary, reportSums);
            print(r.detail, true);
            any = true;
            rows.next();
        }
        if (grouped && any && r.groupFooter.printed())
            print(r.groupFooter, true, &groupSums);
        if (r.summary.printed())
            print(r.summary, true, &reportSums);
        finishPage();
        painter.end();
        return page;
    }

private:
    double bottomLimit() const { return pageHeight - r.margins.bottom() - r.pageFooter.height; }

    void startPage()
    {
        y = r.margins.top();
        bodyOnPage = false;
        if (r.pageHeader.printed())
            draw(r.pageHeader, nullptr);
    }

    void finishPage()
    {
        if (r.pageFooter.printed()) {
            y = bottomLimit();
            draw(r.pageFooter, nullptr);
        }
    }

    void newPage()
    {
        finishPage();
        dev->newPage();
        ++page;
        startPage();
    }

    void accumulate(const Band &band, std::vector<double> &sums)
    {
        for (size_t i = 0; i < band.elements.size(); ++i)
            if (band.elements[i].kind == ElementKind::Sum)
                sums[i] += rows.number(band.elements[i].text);
    }

    // Prints a band where the page allows, starting a new page when it does
    // not fit below what is already there (`keepWith`: room to leave for
    // the band that must follow it).
    void print(const Band &band, bool body, const std::vector<double> *sums = nullptr, double keepWith = 0)
    {
        if (!band.printed())
            return;
        const double h = bandHeight(band);
        if (bodyOnPage && y + h + keepWith > bottomLimit())
            newPage();
        draw(band, sums);
        if (body)
            bodyOnPage = true;
    }

    QFont fontOf(const Element &e) const
    {
        QFont f = r.font;
        if (e.pointSize > 0)
            f.setPointSizeF(e.pointSize);
        f.setBold(e.bold);
        return f;
    }

    QRectF toDevice(const QRectF &mm) const
    {
        return QRectF((r.margins.left() + mm.left()) * pxX, (y + mm.top()) * pxY, mm.width() * pxX, mm.height() * pxY);
    }

    void layoutDocument(QTextDocument &doc, const Element &e) const
    {
        doc.documentLayout()->setPaintDevice(dev);
        doc.setDefaultFont(fontOf(e));
        doc.setDocumentMargin(0);
        doc.setHtml(e.text);
        doc.setTextWidth(e.box.width() * pxX);
    }

    double bandHeight(const Band &band) const
    {
        double h = band.height;
        for (const Element &e : band.elements) {
            if (e.kind == ElementKind::RichText && e.grow) {
                QTextDocument doc;
                layoutDocument(doc, e);
                h = std::max(h, e.box.top() + doc.size().height() / pxY);
            }
        }
        return h;
    }

    QString textOf(const Element &e, size_t index, const std::vector<double> *sums)
    {
        switch (e.kind) {
        case ElementKind::Label:
            return e.text;
        case ElementKind::Title:
            return r.title;
        case ElementKind::DateTime:
            return now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
        case ElementKind::PageNumber:
            return QString::number(page);
        case ElementKind::Field:
            if (rows.eof())
                return QString();
            if (!e.mask.isEmpty() && rows.isNumeric(e.text))
                return formatNumber(rows.number(e.text), e.mask);
            return rows.text(e.text);
        case ElementKind::Sum:
            return formatNumber(sums ? (*sums)[index] : 0.0, e.mask);
        default:
            return QString();
        }
    }

    void draw(const Band &band, const std::vector<double> *sums)
    {
        const double h = bandHeight(band);
        for (size_t i = 0; i < band.elements.size(); ++i) {
            const Element &e = band.elements[i];
            const QRectF box = toDevice(e.box);
            switch (e.kind) {
            case ElementKind::Line: {
                QPen pen(Qt::black);
                pen.setWidthF(0.25 * pxY);
                painter.setPen(pen);
                painter.drawLine(QLineF(box.left(), box.top(), box.right(), box.top()));
                break;
            }
            case ElementKind::Image: {
                if (e.image.isNull())
                    break;
                QSizeF size = e.image.size();
                size.scale(box.size(), Qt::KeepAspectRatio);
                const QRectF target(box.topLeft() + QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size);
                painter.drawImage(target, e.image);
                break;
            }
            case ElementKind::RichText: {
                QTextDocument doc;
                layoutDocument(doc, e);
                painter.save();
                painter.translate(box.topLeft());
                const double height = e.grow ? doc.size().height() : box.height();
                doc.drawContents(&painter, QRectF(0, 0, box.width(), height));
                painter.restore();
                break;
            }
            default: {
                const QFont f = fontOf(e);
                painter.setFont(f);
                painter.setPen(Qt::black);
                QString text = textOf(e, i, sums);
                // Text longer than its box is cut, never drawn over its neighbour.
                const QFontMetricsF metrics(f, dev);
                if (metrics.horizontalAdvance(text) > box.width())
                    text = metrics.elidedText(text, Qt::ElideRight, box.width());
                painter.drawText(box, static_cast<int>(e.alignment | Qt::AlignVCenter | Qt::TextSingleLine), text);
                break;
            }
            }
        }
        y += h;
    }

    const Report &r;
    QPagedPaintDevice *dev;
    RowSource &rows;
    QDateTime now;
    QPainter painter;
    double pageHeight = 0;
    double pxX = 1, pxY = 1;
    double y = 0;
    int page = 1;
    bool bodyOnPage = false;
    std::vector<double> groupSums, reportSums;
};

} // namespace

int Report::render(QPagedPaintDevice *device, RowSource &rows, const QDateTime &now) const
{
    // Everything is placed from the paper's corner: the margins are the
    // report's own (a printer keeps its minimum margins, which full-page mode
    // ignores for placement).
    device->setPageSize(QPageSize(paper));
    device->setPageOrientation(QPageLayout::Portrait);
    if (auto *printer = dynamic_cast<QPrinter *>(device))
        printer->setFullPage(true);
    else
        device->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    Pass pass(*this, device, rows, now);
    return pass.run();
}

int Report::writePdf(const QString &path, RowSource &rows, const QDateTime &now) const
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("ORVA"));
    writer.setTitle(title);
    return render(&writer, rows, now);
}

} // namespace orva::report
