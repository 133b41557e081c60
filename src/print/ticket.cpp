// SPDX-License-Identifier: GPL-3.0-or-later
#include "ticket.h"

#include "lookup/decimal.h"
#include "print/picture.h"
#include "print/save.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <unordered_map>

namespace print {

namespace {

/// Blank edge inside a ticket, as a share of its side.
constexpr qreal padding = 0.06;
/// The tallest ticket's text, in lines of ordinary type: id, catalogue
/// number (two), denomination, plate, references, monograms, weight,
/// diameter, attribution, other fits.
constexpr qreal lineUnits = 11;
/// Ordinary type's size as a share of a line: Nimbus Sans reaches 1.38 em
/// from its highest to its lowest point.
constexpr qreal emPerLine = 0.7;
/// Type shrinks in these steps before text is cut: below 70% it would be
/// hard to read at arm's length.
constexpr std::array<qreal, 4> shrinkSteps{1.0, 0.9, 0.8, 0.7};

/// A ticket's picture: its side in lines, the gap before it in lines, and
/// the resolution it is read at for paper.
constexpr qreal pictureLines = 3;
constexpr qreal pictureGap = 0.3;
constexpr qreal pictureDpi = 300;

/// Cut marks: their distance from the tickets, length and stroke, in mm.
constexpr qreal markGap = 2;
constexpr qreal markLength = 5;
constexpr qreal markStroke = 0.2;

const QString sans = QStringLiteral("Nimbus Sans");

/// Most characters of one value a ticket shows: more than the largest
/// ticket holds in its smallest type, so a value cut here would be cut with
/// "…" anyway, and a megabyte-long one costs no more than a short one.
constexpr qsizetype mostShown = 1000;

/// A catalogue or batch value for one line of type: control characters and
/// line or paragraph separators would break the line or show as boxes.
QString oneLine(const std::string& text)
{
    const auto bytes = std::min<qsizetype>(static_cast<qsizetype>(text.size()), 4 * mostShown);
    QString line = QString::fromUtf8(text.data(), bytes);
    if (bytes < static_cast<qsizetype>(text.size()) || line.size() > mostShown) {
        line.truncate(mostShown);
        if (line.back().isHighSurrogate()) {
            line.chop(1);
        }
        line += QChar(0x2026);
    }
    for (QChar& c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return line;
}

QString decimal(double value)
{
    return QString::fromStdString(lookup::Decimal(value));
}

QString joined(const std::vector<std::string>& parts, const QString& separator)
{
    QStringList list;
    for (const std::string& part : parts) {
        list << oneLine(part);
    }
    return list.join(separator);
}

/// One block of a ticket: its text, its height in lines and its type.
struct Block {
    QString text;
    qreal lines = 1;
    qreal size = 1; ///< type size, in ordinary type
    bool bold = false;
};

std::vector<Block> blocksOf(const Ticket& t)
{
    std::vector<Block> blocks;
    if (!t.id.empty()) {
        blocks.push_back({oneLine(t.id), 1, 1, true});
    }
    if (!t.found) {
        blocks.push_back({QStringLiteral("No match"), 2, 2, true});
        blocks.push_back({QStringLiteral("Seen: ") + oneLine(t.seen), 0});
        return blocks;
    }
    blocks.push_back({oneLine(t.sv), 2, 2, true});
    QString denomination = oneLine(t.denomination);
    if (!t.mint.empty()) {
        denomination += QStringLiteral(" · ") + oneLine(t.mint);
    }
    blocks.push_back({denomination});
    blocks.push_back({QStringLiteral("Plate ") + oneLine(t.plate)});
    blocks.push_back({QStringLiteral("SNGCop ") + oneLine(t.sngCop) + QStringLiteral(" · Weiser ") +
                      oneLine(t.weiser)});
    static const std::array<QString, 3> sides{QStringLiteral("centre "), QStringLiteral("left "),
                                              QStringLiteral("right ")};
    QStringList monograms;
    for (std::size_t m = 0; m < t.monograms.size(); ++m) {
        if (!t.monograms[m].empty()) {
            monograms << sides[m] + oneLine(t.monograms[m]);
        }
    }
    if (!monograms.isEmpty()) {
        blocks.push_back({QStringLiteral("Monograms: ") + monograms.join(QStringLiteral(", "))});
    }
    // The coin's own figure first, the entry's in brackets.
    const auto measure = [](const QString& label, const std::optional<double>& coin,
                            const char* unit, const std::string& entry) {
        return label + (coin ? decimal(*coin) + QLatin1String(unit) + QStringLiteral(" (") +
                                   oneLine(entry) + QLatin1Char(')')
                             : oneLine(entry));
    };
    blocks.push_back({measure(QStringLiteral("Weight "), t.weight, " g", t.weightRange)});
    blocks.push_back({measure(QStringLiteral("Diameter "), t.diameter, " mm", t.entryDiameter)});
    blocks.push_back({t.differs.empty()
                          ? QStringLiteral("exact")
                          : QStringLiteral("differs: ") + joined(t.differs, QStringLiteral("; ")),
                      0});
    if (!t.also.empty()) {
        blocks.push_back({QStringLiteral("also: ") + joined(t.also, QStringLiteral(", "))});
    }
    return blocks;
}

/// `text` in `font` wrapped into `box`: at the font's size when all of it
/// fits, else at the first smaller step that holds it, else at the
/// smallest with its last line cut with "…".
struct Fitted {
    QFont font;
    QStringList lines;
    qreal ascent = 0;
    qreal spacing = 0;
};

Fitted fit(const QString& text, QFont font, const QSizeF& box, QPaintDevice* device)
{
    const qreal size = font.pointSizeF();
    Fitted fitted;
    for (const qreal step : shrinkSteps) {
        font.setPointSizeF(size * step);
        const QFontMetricsF metrics(font, device);
        // Lines a font packs tighter than it reaches (negative leading)
        // would touch; they keep apart.
        const qreal spacing = std::max(metrics.lineSpacing(), metrics.height());
        const auto room = std::max<qsizetype>(1, static_cast<qsizetype>(box.height() / spacing));
        QTextLayout layout(text, font, device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        QStringList lines;
        int lastStart = 0;
        layout.beginLayout();
        // One line past the room is enough to know the text does not fit.
        for (QTextLine line = layout.createLine(); line.isValid() && lines.size() <= room;
             line = layout.createLine()) {
            line.setLineWidth(box.width());
            lastStart = lines.size() < room ? line.textStart() : lastStart;
            lines << text.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        const bool last = step == shrinkSteps.back();
        if (lines.size() <= room || last) {
            if (lines.size() > room) {
                lines.resize(room);
                lines.back() = metrics.elidedText(text.mid(lastStart), Qt::ElideRight, box.width());
            }
            for (QString& line : lines) {
                while (!line.isEmpty() && line.back().isSpace()) {
                    line.chop(1); // trailing spaces would reach past the box
                }
            }
            fitted = {font, lines, metrics.ascent(), spacing};
            break;
        }
    }
    return fitted;
}

} // namespace

QRectF TicketPictureRect(const QRectF& rect)
{
    const qreal pad = padding * std::min(rect.width(), rect.height());
    const QRectF inner = rect.adjusted(pad, pad, -pad, -pad);
    const qreal side = std::min(inner.height() / lineUnits * pictureLines, inner.width() / 3);
    return {inner.right() - side, inner.top(), side, side};
}

std::vector<TicketLine> TicketLines(const Ticket& ticket, const QRectF& rect, QPaintDevice* device,
                                    bool picture)
{
    const qreal pad = padding * std::min(rect.width(), rect.height());
    const QRectF inner = rect.adjusted(pad, pad, -pad, -pad);
    const qreal line = inner.height() / lineUnits;
    const QRectF beside = picture ? TicketPictureRect(rect) : QRectF();
    const std::vector<Block> blocks = blocksOf(ticket);
    qreal fixed = 0;
    for (const Block& b : blocks) {
        fixed += b.lines;
    }
    std::vector<TicketLine> placed;
    qreal top = inner.top();
    for (const Block& b : blocks) {
        // A block of 0 lines takes the room the others leave, at least a line.
        const qreal height = line * (b.lines > 0 ? b.lines : std::max<qreal>(1, lineUnits - fixed));
        QFont font(sans);
        font.setStyleHint(QFont::SansSerif);
        font.setBold(b.bold);
        font.setPointSizeF(line * emPerLine * b.size * 72 / device->logicalDpiY());
        // Lines that start beside the picture stop short of it.
        const qreal width = picture && top < beside.bottom()
                                ? beside.left() - inner.left() - line * pictureGap
                                : inner.width();
        const Fitted fitted = fit(b.text, font, QSizeF(width, height), device);
        for (qsizetype k = 0; k < fitted.lines.size(); ++k) {
            placed.push_back({fitted.lines[k], fitted.font,
                              QPointF(inner.left(), top + fitted.ascent + k * fitted.spacing)});
        }
        top += height;
    }
    return placed;
}

void PaintTicket(QPainter& painter, const Ticket& ticket, const QRectF& rect, const QImage& picture)
{
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(Qt::black);
    if (!picture.isNull()) {
        const QRectF box = TicketPictureRect(rect);
        QSizeF size = picture.size();
        size.scale(box.size(), Qt::KeepAspectRatio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRectF(box.right() - size.width(), box.top(), size.width(), size.height()), picture);
    }
    for (const TicketLine& line : TicketLines(ticket, rect, painter.device(), !picture.isNull())) {
        painter.setFont(line.font);
        painter.drawText(line.baseline, line.text);
    }
    painter.restore();
}

namespace {

/// Short strokes in the margins along every edge of the page's tickets.
void paintCutMarks(QPainter& painter, const Page& page, qreal perMm)
{
    std::set<qreal> xs;
    std::set<qreal> ys;
    for (const QRectF& r : page) {
        xs.insert({r.left(), r.right()});
        ys.insert({r.top(), r.bottom()});
    }
    const qreal left = *xs.begin();
    const qreal right = *xs.rbegin();
    const qreal top = *ys.begin();
    const qreal bottom = *ys.rbegin();
    const auto stroke = [&](qreal x1, qreal y1, qreal x2, qreal y2) {
        painter.drawLine(QPointF(x1, y1) * perMm, QPointF(x2, y2) * perMm);
    };
    for (const qreal x : xs) {
        stroke(x, top - markGap, x, top - markGap - markLength);
        stroke(x, bottom + markGap, x, bottom + markGap + markLength);
    }
    for (const qreal y : ys) {
        stroke(left - markGap, y, left - markGap - markLength, y);
        stroke(right + markGap, y, right + markGap + markLength, y);
    }
}

} // namespace

bool PaintTicketSheets(QPagedPaintDevice& device, const std::vector<Ticket>& tickets,
                       const QSizeF& paper, double side)
{
    const std::vector<Page> pages = TicketPages(paper, side, static_cast<int>(tickets.size()));
    QPainter painter;
    if (pages.empty() || !painter.begin(&device)) {
        return false;
    }
    const qreal perMm = device.logicalDpiX() / 25.4;
    painter.setPen(QPen(Qt::black, markStroke * perMm));
    // One decode per picture and sheet, at print resolution: the PDF then
    // holds each picture once, however many tickets show it.
    std::unordered_map<std::string, QImage> read;
    const qreal pictureSide = TicketPictureRect(QRectF(0, 0, side, side)).width();
    const int pixels = std::max(1, static_cast<int>(std::lround(pictureSide / 25.4 * pictureDpi)));
    const auto pictureOf = [&](const Ticket& ticket) -> const QImage& {
        static const QImage none;
        if (ticket.picture.empty()) {
            return none;
        }
        auto at = read.find(ticket.picture);
        if (at == read.end()) {
            at = read.emplace(ticket.picture,
                              DecodePicture(QFile::decodeName(ticket.picture.c_str()),
                                            QSize(pixels, pixels))
                                  .image)
                     .first;
        }
        return at->second;
    };
    std::size_t next = 0;
    for (const Page& page : pages) {
        if (next > 0) {
            device.newPage();
        }
        paintCutMarks(painter, page, perMm);
        for (const QRectF& r : page) {
            const Ticket& ticket = tickets[next++];
            PaintTicket(painter, ticket, QRectF(r.topLeft() * perMm, r.size() * perMm),
                        pictureOf(ticket));
        }
    }
    return painter.end();
}

std::optional<QString> WriteTicketsPdf(const QString& path, const std::vector<Ticket>& tickets,
                                       Paper paper, double side)
{
    if (tickets.empty()) {
        return QStringLiteral("no tickets to write");
    }
    const std::vector<Page> pages =
        TicketPages(print::PaperSize(paper), side, static_cast<int>(tickets.size()));
    if (pages.empty()) {
        return QStringLiteral("a ticket of %1 mm does not fit on the paper").arg(side);
    }
    return SaveWhole(path, [&](QIODevice& file) -> std::optional<QString> {
        QPdfWriter pdf(&file);
        pdf.setPageSize(QPageSize(paper == Paper::Letter ? QPageSize::Letter : QPageSize::A4));
        pdf.setPageMargins(QMarginsF());
        pdf.setTitle(QStringLiteral("Coin tickets"));
        pdf.setCreator(QStringLiteral("Rovadod"));
        if (!PaintTicketSheets(pdf, tickets, print::PaperSize(paper), side)) {
            return QStringLiteral("cannot start a PDF");
        }
        return std::nullopt;
    });
}

} // namespace print
