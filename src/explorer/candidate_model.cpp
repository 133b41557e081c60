// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/candidate_model.h"

#include "explorer/seen.h"
#include "lookup/measure.h"
#include "lookup/search.h"

#include <QCollator>

#include <array>
#include <limits>
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
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const std::string& fieldOf(const catalogue::View& view, const catalogue::ColumnInfo& column,
                           int entry)
{
    static const std::string unset;
    const auto& value = view.at(column, static_cast<std::size_t>(entry));
    return value ? *value : unset;
}

constexpr double unknown = std::numeric_limits<double>::infinity();

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
        if (fieldOf(answer_.catalogue, col::SV, answer_.matches[r].entry) == sv) {
            return static_cast<int>(r);
        }
    }
    return -1;
}

std::string CandidateModel::svAt(int row) const
{
    return fieldOf(answer_.catalogue, col::SV, entryAt(row));
}

std::string CandidateModel::entryText(int row) const
{
    const lookup::Match& match = answer_.matches.at(static_cast<std::size_t>(row));
    std::string text;
    if (match.distance > 0) {
        text += answer::DifferenceLine(answer_.catalogue, match) + '\n';
    }
    const std::string fit = lookup::FitWords(answer_.query.measured,
                                             lookup::MeasuresOf(answer_.catalogue, match.entry));
    if (!fit.empty()) {
        text += fit + '\n';
    }
    lookup::AppendReportBlock(text, answer_.catalogue, match.entry);
    return text;
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

std::string CandidateModel::document(answer::Format format) const
{
    // rovadod-find prints counts only when asked for them.
    answer::Answer whole = answer_;
    whole.counts.reset();
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
    const lookup::Match& match = answer_.matches[static_cast<std::size_t>(row)];
    const catalogue::View& view = answer_.catalogue;
    switch (column) {
    case Sv:
        return cell(fieldOf(view, col::SV, match.entry));
    case Denomination:
        return cell(fieldOf(view, col::Den, match.entry));
    case Diameter:
        return cell(fieldOf(view, col::Dia, match.entry));
    case Weight: {
        const std::string& low = fieldOf(view, col::WMin, match.entry);
        const std::string& high = fieldOf(view, col::WMax, match.entry);
        return low == high ? cell(low) : cell(low) + QStringLiteral(" \u2013 ") + cell(high);
    }
    case CenterMonogram:
        return cell(fieldOf(view, col::LegMgm, match.entry));
    case LeftMonogram:
        return cell(fieldOf(view, col::LFMgm, match.entry));
    case RightMonogram:
        return cell(fieldOf(view, col::RFMgm, match.entry));
    case Differs: {
        QStringList parts;
        for (int clue = 0; clue < lookup::clueCount; ++clue) {
            if (match.differs.test(static_cast<std::size_t>(clue))) {
                parts << qs(clueNames[static_cast<std::size_t>(clue)]) + QStringLiteral(": ") +
                             cell(lookup::DescribeHeld(view, clue, match.entry));
            }
        }
        return parts.join(QStringLiteral("; "));
    }
    case Fit: {
        std::string words =
            lookup::FitWords(answer_.query.measured, lookup::MeasuresOf(view, match.entry));
        constexpr std::string_view lead = "Fit: ";
        if (words.starts_with(lead)) {
            words.erase(0, lead.size());
        }
        return qs(words);
    }
    default:
        return {};
    }
}

QVariant CandidateModel::sortKey(int row, int column) const
{
    const lookup::Match& match = answer_.matches[static_cast<std::size_t>(row)];
    switch (column) {
    case Diameter:
        return lookup::MeasuresOf(answer_.catalogue, match.entry).diameter.value_or(unknown);
    case Weight:
        return lookup::MeasuresOf(answer_.catalogue, match.entry).weightMin.value_or(unknown);
    case Differs:
        return match.distance;
    case Fit:
        return match.misfit.value_or(unknown);
    default:
        return display(row, column);
    }
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
            return qs(answer::DifferenceLine(answer_.catalogue, match));
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
    static const std::array<const char*, columnTotal> titles{
        "Sv",       "Denomination", "Diameter", "Weight (g)", "Center Mgm",
        "Left Mgm", "Right Mgm",    "Differs",  "Fit"};
    return section >= 0 && section < columnTotal
               ? QVariant(QString::fromLatin1(titles[static_cast<std::size_t>(section)]))
               : QVariant();
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
