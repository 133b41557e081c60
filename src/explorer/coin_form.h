// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "explorer/seen.h"
#include "lookup/query.h"

#include <QGroupBox>
#include <QList>

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace explorer {

/// "What is seen on the coin": the six lists, each entry with the number of
/// catalogue entries it would leave, the three monograms, diameter and
/// weight, Differences allowed and Clear. Every change, Clear's too, is one
/// `changed`.
class CoinForm : public QGroupBox {
    Q_OBJECT

public:
    explicit CoinForm(QWidget* parent = nullptr);

    /// What the fields say now.
    [[nodiscard]] Seen seen() const;
    /// Writes beside each list entry how many entries it would leave, and
    /// greys the entries that would leave none (still selectable: a near
    /// match may need them).
    void showCounts(const lookup::FacetCounts& counts);
    /// Every list back to Any, every field empty, no differences.
    void clear();
    /// The fields in keyboard order, Clear last.
    [[nodiscard]] QList<QWidget*> tabOrder() const;

signals:
    /// A field has changed; Clear changes them all at once.
    void changed();

private:
    /// Frames a measurement that is left out in red, and says why.
    void markMeasure(std::size_t m);

    std::array<QComboBox*, vocab::attributeCount> lists_{};
    std::array<QLineEdit*, lookup::monogramCount> monograms_{};
    std::array<QLineEdit*, lookup::measureCount> measures_{};
    QSpinBox* near_ = nullptr;
    QPushButton* clear_ = nullptr;
};

} // namespace explorer
