// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/coin_form.h"

#include "answer/read.h"
#include "explorer/qtext.h"
#include "lookup/decimal.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyleOptionComboBox>

#include <string_view>

namespace explorer {

namespace {

/// A list as wide as a dozen characters, whatever its entries: the popup
/// shows them whole. Qt's own size policies measure every entry, or build
/// the popup, before the window first shows.
class CountList : public QComboBox {
public:
    using QComboBox::QComboBox;

    [[nodiscard]] QSize sizeHint() const override
    {
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QSize text(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 12,
                         fontMetrics().height());
        return style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }
};

/// A field's label, with its Alt key, and the name a screen reader says.
struct Label {
    QString text;
    QString name;
};

} // namespace

CoinForm::CoinForm(QWidget* parent) : QGroupBox(parent)
{
    setTitle(tr("What is seen on the coin"));
    // The menus take Alt+F and Alt+E.
    const std::array<Label, vocab::attributeCount> listLabels{{
        {tr("&Obverse figure"), tr("Obverse figure")},
        {tr("&Inscription"), tr("Inscription")},
        {tr("&Reverse figure"), tr("Reverse figure")},
        {tr("&Left field"), tr("Left field")},
        {tr("Ri&ght side"), tr("Right side")},
        {tr("Countermar&k"), tr("Countermark")},
    }};
    const std::array<Label, lookup::monogramCount> monogramLabels{{
        {tr("Ce&nter monogram"), tr("Center monogram")},
        {tr("Left field &monogram"), tr("Left field monogram")},
        {tr("Rig&ht field monogram"), tr("Right field monogram")},
    }};
    const std::array<Label, lookup::measureCount> measureLabels{{
        {tr("&Diameter (mm)"), tr("Diameter (mm)")},
        {tr("&Weight (g)"), tr("Weight (g)")},
    }};

    auto* grid = new QGridLayout(this);
    // Three label and field pairs a row, read left to right.
    constexpr int pairs = 3;
    int placed = 0;
    const auto row = [&](const Label& label, QWidget* field) {
        auto* shown = new QLabel(label.text, this);
        shown->setBuddy(field);
        field->setAccessibleName(label.name);
        grid->addWidget(shown, placed / pairs, 2 * (placed % pairs));
        grid->addWidget(field, placed / pairs, 2 * (placed % pairs) + 1);
        ++placed;
    };
    for (int p = 0; p < pairs; ++p) {
        grid->setColumnStretch(2 * p + 1, 1);
    }

    for (std::size_t a = 0; a < lists_.size(); ++a) {
        auto* list = new CountList(this);
        list->setObjectName(QStringLiteral("list%1").arg(a));
        list->addItem(tr("Any"));
        for (const std::string_view text : vocab::attributes[a].texts) {
            list->addItem(answer::QStringOf(text));
        }
        list->setAccessibleDescription(
            tr("Any, or a list entry with the number of entries it would leave"));
        row(listLabels[a], list);
        connect(list, &QComboBox::currentIndexChanged, this, &CoinForm::changed);
        lists_[a] = list;
    }
    for (std::size_t m = 0; m < monograms_.size(); ++m) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("monogram%1").arg(m));
        field->setPlaceholderText(tr("any"));
        field->setToolTip(tr("Empty: any monogram; none: no monogram"));
        field->setAccessibleDescription(field->toolTip());
        row(monogramLabels[m], field);
        connect(field, &QLineEdit::textChanged, this, &CoinForm::changed);
        monograms_[m] = field;
    }
    for (std::size_t m = 0; m < measures_.size(); ++m) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("measure%1").arg(m));
        field->setPlaceholderText(tr("not measured"));
        row(measureLabels[m], field);
        connect(field, &QLineEdit::textChanged, this, [this, m] {
            markMeasure(m);
            emit changed();
        });
        measures_[m] = field;
    }
    near_ = new QSpinBox(this);
    near_->setObjectName(QStringLiteral("near"));
    near_->setRange(0, 9);
    near_->setAccessibleDescription(
        tr("Also list entries that differ in at most this many of the given fields"));
    row({tr("Differences &allowed"), tr("Differences allowed")}, near_);
    connect(near_, &QSpinBox::valueChanged, this, &CoinForm::changed);

    clear_ = new QPushButton(tr("&Clear"), this);
    clear_->setObjectName(QStringLiteral("clear"));
    clear_->setAccessibleName(tr("Clear"));
    clear_->setToolTip(tr("Every list back to Any, every field empty, no differences"));
    connect(clear_, &QPushButton::clicked, this, &CoinForm::clear);
    grid->addWidget(clear_, placed / pairs, 2 * pairs - 1, Qt::AlignRight);

    const QList<QWidget*> order = tabOrder();
    for (qsizetype k = 1; k < order.size(); ++k) {
        setTabOrder(order[k - 1], order[k]);
    }
}

Seen CoinForm::seen() const
{
    Seen seen;
    for (std::size_t a = 0; a < lists_.size(); ++a) {
        seen.positions[a] = lists_[a]->currentIndex() - 1; // 0 is "Any"
    }
    for (std::size_t m = 0; m < monograms_.size(); ++m) {
        seen.monograms[m] = monograms_[m]->text();
    }
    for (std::size_t m = 0; m < measures_.size(); ++m) {
        seen.measures[m] = measures_[m]->text();
    }
    seen.near = near_->value();
    return seen;
}

void CoinForm::showCounts(const lookup::FacetCounts& counts)
{
    const QBrush spent = palette().brush(QPalette::Disabled, QPalette::Text);
    for (std::size_t a = 0; a < lists_.size(); ++a) {
        QComboBox* list = lists_[a];
        const vocab::Attribute& attribute = vocab::attributes[a];
        for (int pos = 0; pos < attribute.count(); ++pos) {
            const int count = counts[a][static_cast<std::size_t>(pos)];
            const QString text =
                QStringLiteral("%1 (%2)")
                    .arg(answer::QStringOf(attribute.texts[static_cast<std::size_t>(pos)]))
                    .arg(count);
            if (list->itemText(pos + 1) != text) {
                list->setItemText(pos + 1, text);
                list->setItemData(pos + 1, count == 0 ? QVariant(spent) : QVariant(),
                                  Qt::ForegroundRole);
            }
        }
    }
}

void CoinForm::clear()
{
    {
        // Quiet while the fields are set back, so that Clear answers once.
        const QSignalBlocker nears(near_);
        near_->setValue(0);
        for (QComboBox* list : lists_) {
            const QSignalBlocker quiet(list);
            list->setCurrentIndex(0);
        }
        for (QLineEdit* field : monograms_) {
            const QSignalBlocker quiet(field);
            field->clear();
        }
        for (std::size_t m = 0; m < measures_.size(); ++m) {
            const QSignalBlocker quiet(measures_[m]);
            measures_[m]->clear();
            markMeasure(m);
        }
    }
    emit changed();
}

QList<QWidget*> CoinForm::tabOrder() const
{
    QList<QWidget*> order(lists_.begin(), lists_.end());
    order.append(QList<QWidget*>(monograms_.begin(), monograms_.end()));
    order.append(QList<QWidget*>(measures_.begin(), measures_.end()));
    order << near_ << clear_;
    return order;
}

void CoinForm::markMeasure(std::size_t m)
{
    QLineEdit* field = measures_[m];
    const bool wrong = !MeasureProblem(static_cast<lookup::Measure>(m), field->text()).empty();
    if (field->property("wrong").toBool() == wrong) {
        return;
    }
    field->setProperty("wrong", wrong);
    QPalette shown = field->palette();
    shown.setColor(QPalette::Base, wrong ? QColor(255, 220, 220) : palette().color(QPalette::Base));
    field->setPalette(shown);
    field->setStyleSheet(wrong ? QStringLiteral("QLineEdit { border: 2px solid #c01818; }")
                               : QString());
    const QString most = QString::fromStdString(lookup::Decimal(answer::measureBounds[m]));
    const QString why =
        wrong ? tr("Not a number above 0 and at most %1: left out of the search").arg(most)
              : QString();
    field->setToolTip(why);
    field->setAccessibleDescription(why);
}

} // namespace explorer
