// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/candidate_model.h"

#include "answer/candidates.h"

#include "answer/tsv.h"
#include "explorer/qtext.h"
#include "explorer/seen.h"
#include "lookup/measure.h"
#include "lookup/search.h"
#include "json/json.h"

#include <QCollator>
#include <QCoreApplication>

#include <array>
#include <utility>

namespace explorer {

namespace {

namespace col = catalogue::columns;

// A cell shows at most this many UTF-16 units of a value; the entry text
// below the table shows all of it. Eliding a megabyte-long value on every
// paint would stall the table.
constexpr qsizetype cellUnits = 200;

QString cell(std::string_view text)
{
    QString shown = answer::QStringOf(text);
    if (shown.size() > cellUnits) {
        qsizetype cut = cellUnits;
        if (shown.at(cut).isLowSurrogate()) {
            --cut; // not half a character
        }
        shown.truncate(cut);
        shown += QChar(0x2026);
    }
    return shown;
}

// The model's columns are the answer library's, in its order.
static_assert(CandidateModel::columnTotal == answer::candidateColumns &&
              CandidateModel::Fit == static_cast<int>(answer::CandidateColumn::Fit));

} // namespace

CandidateModel::CandidateModel(QObject* parent)
    : QAbstractTableModel(parent), table_(std::make_shared<const catalogue::Table>())
{
    answer_.catalogue = table_->view();
}

void CandidateModel::ask(std::shared_ptr<const catalogue::Table> table, const lookup::Query& query)
{
    beginResetModel();
    table_ = table ? std::move(table) : std::make_shared<const catalogue::Table>();
    answer_ = answer::Ask(table_->view(), query, true);
    endResetModel();
}

int CandidateModel::entryAt(int row) const
{
    return answer_.matches.at(static_cast<std::size_t>(row)).entry;
}

int CandidateModel::rowOf(int entry) const
{
    for (std::size_t r = 0; r < answer_.matches.size(); ++r) {
        if (answer_.matches[r].entry == entry) {
            return static_cast<int>(r);
        }
    }
    return -1;
}

int CandidateModel::rowOfSv(const std::string& sv) const
{
    for (std::size_t r = 0; r < answer_.matches.size(); ++r) {
        if (answer_.catalogue.text(col::SV, answer_.matches[r].entry) == sv) {
            return static_cast<int>(r);
        }
    }
    return -1;
}

std::string CandidateModel::svAt(int row) const
{
    return answer_.catalogue.text(col::SV, entryAt(row));
}

std::string CandidateModel::entryText(int row) const
{
    return answer::EntryText(answer_, static_cast<std::size_t>(row));
}

std::string CandidateModel::tsvOf(const std::vector<int>& rows) const
{
    answer::Answer chosen = answer_;
    chosen.counts.reset();
    chosen.matches.clear();
    for (const int row : rows) {
        chosen.matches.push_back(answer_.matches.at(static_cast<std::size_t>(row)));
    }
    return answer::TsvHeader(false) + answer::TsvRows(chosen, false);
}

std::string CandidateModel::document(answer::Format format, const answer::Pictures* pictures) const
{
    // rovadod-find prints counts only when asked for them.
    answer::Answer whole = answer_;
    whole.counts.reset();
    whole.pictures = pictures;
    answer::Writer writer(format, false);
    std::string text = writer.coin(whole);
    return text + writer.end();
}

int CandidateModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(answer_.matches.size());
}

int CandidateModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal;
}

QString CandidateModel::display(int row, int column) const
{
    const auto r = static_cast<std::size_t>(row);
    if (column == Differs) {
        // As the answer library words it, with the clue names translated.
        const lookup::Match& match = answer_.matches[r];
        QStringList parts;
        for (int clue = 0; clue < lookup::clueCount; ++clue) {
            if (match.differs.test(static_cast<std::size_t>(clue))) {
                parts << QCoreApplication::translate("Clue",
                                                     clueNames[static_cast<std::size_t>(clue)]) +
                             QStringLiteral(": ") +
                             cell(lookup::DescribeHeld(answer_.catalogue, clue, match.entry));
            }
        }
        return parts.join(QStringLiteral("; "));
    }
    if (column < 0 || column >= columnTotal) {
        return {};
    }
    const std::string text =
        answer::CandidateCell(answer_, r, static_cast<answer::CandidateColumn>(column));
    return column == Fit ? answer::QStringOf(text) : cell(text);
}

QVariant CandidateModel::sortKey(int row, int column) const
{
    if (const std::optional<double> number = answer::CandidateNumber(
            answer_, static_cast<std::size_t>(row), static_cast<answer::CandidateColumn>(column))) {
        return *number;
    }
    return display(row, column);
}

QVariant CandidateModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnTotal) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return display(index.row(), index.column());
    case sortRole:
        return sortKey(index.row(), index.column());
    case Qt::ToolTipRole: {
        // The whole sentence, where a narrow column cuts it short.
        const lookup::Match& match = answer_.matches[static_cast<std::size_t>(index.row())];
        if (index.column() == Differs && match.distance > 0) {
            return answer::QStringOf(answer::DifferenceLine(answer_.catalogue, match));
        }
        if (index.column() == Fit) {
            const QString words = display(index.row(), Fit);
            return words.isEmpty() ? QVariant() : QVariant(words);
        }
        return {};
    }
    default:
        return {};
    }
}

QVariant CandidateModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case Sv:
        return tr("Sv");
    case Denomination:
        return tr("Denomination");
    case Diameter:
        return tr("Diameter");
    case Weight:
        return tr("Weight (g)");
    case CenterMonogram:
        return tr("Center Mgm");
    case LeftMonogram:
        return tr("Left Mgm");
    case RightMonogram:
        return tr("Right Mgm");
    case Differs:
        return tr("Differs");
    case Fit:
        return tr("Fit");
    default:
        return {};
    }
}

CandidateSort::CandidateSort(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(CandidateModel::sortRole);
}

bool CandidateSort::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant a = left.data(sortRole());
    const QVariant b = right.data(sortRole());
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString) {
        // "DEMO-9" before "DEMO-10", as a collector counts.
        static const QCollator numeric = [] {
            QCollator collator;
            collator.setNumericMode(true);
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            return collator;
        }();
        return numeric.compare(a.toString(), b.toString()) < 0;
    }
    return QSortFilterProxyModel::lessThan(left, right);
}

} // namespace explorer
