// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/table.h"

#include <atomic>
#include <utility>

namespace catalogue {

Table::Table(std::vector<std::string> lines) : lines_(std::move(lines))
{
    if (lines_.size() > static_cast<std::size_t>(maxlines)) {
        lines_.resize(static_cast<std::size_t>(maxlines));
    }
    for (auto& column : columns_) {
        column.resize(lines_.size());
    }
    for (std::size_t k = 0; k < lines_.size(); ++k) {
        Slots slots{};
        for (std::size_t c = 0; c < slots.size(); ++c) {
            slots[c] = &columns_[c][k];
        }
        SplitLine(lines_[k], slots);
    }
}

View Table::view() const
{
    View::Columns columns{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        columns[c] = columns_[c].data();
    }
    return {columns, entries()};
}

View Catalogue::Published()
{
    View::Columns columns{};
    for (std::size_t c = 0; c < columns.size(); ++c) {
        columns[c] = schema[c].column->data();
    }
    return {columns, numentries.load(std::memory_order_acquire)};
}

} // namespace catalogue
