// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/answer.h"
#include "catalogue/table.h"
#include "lookup/query.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace explorer {

/// The entries that fit a coin, one row each in the engine's order
/// (distance, unknown measurements, misfit, catalogue line), with the facet
/// counts of the same query. Owns no widget; a view shows it.
class CandidateModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Sv,
        Denomination,
        Diameter,
        Weight,
        CenterMonogram,
        LeftMonogram,
        RightMonogram,
        Differs,
        Fit,
        columnTotal
    };
    /// A sort key per cell: numbers for measurements and fit, the engine's
    /// order where a column holds no order of its own.
    static constexpr int sortRole = Qt::UserRole + 1;

    explicit CandidateModel(QObject* parent = nullptr);

    /// Looks `query` up in `table`, with the counts of every list entry,
    /// and resets the model to the answer.
    void ask(std::shared_ptr<const catalogue::Table> table, const lookup::Query& query);

    /// The answer shown; its catalogue is `table()`'s.
    [[nodiscard]] const answer::Answer& answer() const { return answer_; }
    [[nodiscard]] const std::shared_ptr<const catalogue::Table>& table() const { return table_; }

    /// The catalogue entry of row `row`.
    [[nodiscard]] int entryAt(int row) const;
    /// The row of catalogue entry `entry`, or -1.
    [[nodiscard]] int rowOf(int entry) const;
    /// The first row whose entry has catalogue number `sv`, or -1.
    [[nodiscard]] int rowOfSv(const std::string& sv) const;
    /// The catalogue number of row `row`, as loaded.
    [[nodiscard]] std::string svAt(int row) const;

    /// Row `row` as rovadod-find's report shows it: the line naming its
    /// differences, the fit in words, then the window's seven-line block.
    [[nodiscard]] std::string entryText(int row) const;
    /// rovadod-find's TSV, its header and the rows `rows` in that order.
    [[nodiscard]] std::string tsvOf(const std::vector<int>& rows) const;
    /// The whole answer as rovadod-find prints it for the same query, with
    /// `pictures` (the catalogue's) listed in JSON as it lists them.
    [[nodiscard]] std::string document(answer::Format format,
                                       const answer::Pictures* pictures = nullptr) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    [[nodiscard]] QString display(int row, int column) const;
    [[nodiscard]] QVariant sortKey(int row, int column) const;

    std::shared_ptr<const catalogue::Table> table_;
    answer::Answer answer_;
};

/// Sorts candidates by a clicked column's `sortRole`, catalogue numbers
/// and monograms with their digits read as numbers; unsorted, the engine's
/// order.
class CandidateSort : public QSortFilterProxyModel {
public:
    explicit CandidateSort(QObject* parent = nullptr);

protected:
    [[nodiscard]] bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

} // namespace explorer
