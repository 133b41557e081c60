// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/ticket.h"
#include "print/sheet.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace print {

/// What a ticket says is the answer library's, so every face fills it alike.
using Ticket = answer::Ticket;

/// One line of a ticket's text, placed.
struct TicketLine {
    QString text;
    QFont font;
    QPointF baseline; ///< where its text starts, on its baseline
};

/// The lines of `ticket` laid out in `rect`, measured for `device` (the
/// painter's, in its units, without a scaling transform). Type is sized to
/// the rectangle; text too long for its place gets smaller type, then is
/// cut with "…", so every line stays inside `rect`. With `picture`, the
/// lines beside `TicketPictureRect` leave it room.
std::vector<TicketLine> TicketLines(const Ticket& ticket, const QRectF& rect, QPaintDevice* device,
                                    bool picture = false);

/// Where a ticket's picture goes in `rect`: a small square in the top right
/// corner, beside the catalogue number.
QRectF TicketPictureRect(const QRectF& rect);

/// Paints `ticket` into `rect` of `painter`'s device, clipped to it, with
/// `picture` beside its text when it is not null.
void PaintTicket(QPainter& painter, const Ticket& ticket, const QRectF& rect,
                 const QImage& picture = {});

/// Paints `tickets` on the pages of `device` (a PDF, a printer) as
/// `TicketPages` lays them out on `paper` (mm) in `side` mm squares, with cut
/// marks; the device's origin is the paper's corner. Each ticket's picture
/// is read once per sheet, however many tickets show it; one that cannot be
/// read leaves its tickets without a picture. False when nothing could be
/// painted.
bool PaintTicketSheets(QPagedPaintDevice& device, const std::vector<Ticket>& tickets,
                       const QSizeF& paper, double side = defaultTicketSide);

/// Writes `tickets` as a PDF at `path`: `side` mm squares on `paper`, with
/// cut marks in the margins, the fonts embedded. The file appears whole or
/// not at all (an earlier one stays as it was). Returns what went wrong, or
/// nothing.
std::optional<QString> WriteTicketsPdf(const QString& path, const std::vector<Ticket>& tickets,
                                       Paper paper, double side = defaultTicketSide);

} // namespace print
