// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/sheet.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace print {

/// What one coin's ticket says: plain text (UTF-8) and numbers, so that any
/// face can fill it in.
struct Ticket {
    std::string id;                       ///< the collector's number for the coin; may be empty
    bool found = false;                   ///< false: no catalogue entry fits the coin
    std::string sv;                       ///< the entry's catalogue number, shown large
    std::string denomination;             ///< `Den`
    std::string mint;                     ///< `LM`; not shown when empty
    std::string plate;                    ///< `PLT` and `PNum`, e.g. "I. 4"
    std::string sngCop;                   ///< `COP`
    std::string weiser;                   ///< `WSR`
    std::array<std::string, 3> monograms; ///< centre, left and right field; empty: none
    std::optional<double> weight;         ///< the coin's, in g, when weighed
    std::optional<double> diameter;       ///< the coin's, in mm, when measured
    std::string weightRange;              ///< the entry's, e.g. "17.55-23.69 g"
    std::string entryDiameter;            ///< the entry's, e.g. "27 mm"
    std::vector<std::string> differs;     ///< where the entry differs; none: an exact match
    std::vector<std::string> also;        ///< `SV`s of the entries that fit as well
    std::string seen;                     ///< with no entry: what was seen on the coin
};

/// One line of a ticket's text, placed.
struct TicketLine {
    QString text;
    QFont font;
    QPointF baseline; ///< where its text starts, on its baseline
};

/// The lines of `ticket` laid out in `rect`, measured for `device` (the
/// painter's, in its units, without a scaling transform). Type is sized to
/// the rectangle; text too long for its place gets smaller type, then is
/// cut with "…", so every line stays inside `rect`.
std::vector<TicketLine> TicketLines(const Ticket& ticket, const QRectF& rect, QPaintDevice* device);

/// Paints `ticket` into `rect` of `painter`'s device, clipped to it.
void PaintTicket(QPainter& painter, const Ticket& ticket, const QRectF& rect);

/// Paints `tickets` on the pages of `device` (a PDF, a printer) as
/// `TicketPages` lays them out on `paper` (mm) in `side` mm squares, with cut
/// marks; the device's origin is the paper's corner. False when nothing
/// could be painted.
bool PaintTicketSheets(QPagedPaintDevice& device, const std::vector<Ticket>& tickets,
                       const QSizeF& paper, double side = defaultTicketSide);

/// Writes `tickets` as a PDF at `path`: `side` mm squares on `paper`, with
/// cut marks in the margins, the fonts embedded. The file appears whole or
/// not at all (an earlier one stays as it was). Returns what went wrong, or
/// nothing.
std::optional<QString> WriteTicketsPdf(const QString& path, const std::vector<Ticket>& tickets,
                                       Paper paper, double side = defaultTicketSide);

} // namespace print
