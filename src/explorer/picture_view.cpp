// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/picture_view.h"

#include "explorer/picture_loader.h"
#include "explorer/qtext.h"
#include "ui/bounded_text.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace explorer {

namespace {

QString qtext(const std::string& text)
{
    return answer::QStringOf(text);
}

/// The size `picture` is shown at in a `side` box, aspect kept, never
/// enlarged; the whole box for one whose size is not known.
QSize shownSize(const answer::Picture& picture, int side)
{
    const QSize box(side, side);
    if (!picture.usable()) {
        return box;
    }
    const QSize stored(static_cast<int>(picture.header.width),
                       static_cast<int>(picture.header.height));
    return stored.scaled(box, Qt::KeepAspectRatio).boundedTo(stored).expandedTo({1, 1});
}

} // namespace

PictureTile::PictureTile(PictureLoader& loader, QString base, answer::Picture picture, QSize box,
                         QWidget* parent)
    : QLabel(parent), loader_(loader), base_(std::move(base)), picture_(std::move(picture)),
      box_(box)
{
    setAlignment(Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(qtext(picture_.label));
    setAccessibleDescription(tr("Press Enter to open it full size"));
    setToolTip(QFile::decodeName(picture_.path.c_str()));
    setFixedSize(shownSize(picture_, box_.width()) + QSize(2 * frameWidth(), 2 * frameWidth()));
    const qreal ratio = devicePixelRatioF();
    key_ = PictureLoader::keyOf(base_, picture_, box_ * ratio);
    connect(&loader_, &PictureLoader::ready, this, &PictureTile::update);
    update(key_);
}

void PictureTile::update(const QString& key)
{
    if (key != key_ || shown_ || refused_) {
        return;
    }
    const auto decoded = loader_.get(base_, picture_, box_ * devicePixelRatioF());
    if (!decoded) {
        return; // still being read; `ready` brings it
    }
    if (decoded->image.isNull()) {
        refused_ = true;
        const QString name = tr("%1: picture cannot be shown").arg(qtext(picture_.label));
        setText(name);
        setWordWrap(true);
        setAccessibleName(name);
        setAccessibleDescription(decoded->problem);
        setToolTip(decoded->problem);
        setMargin(4);
        setFixedSize(box_ + QSize(2 * frameWidth(), 2 * frameWidth()));
        return;
    }
    shown_ = true;
    QPixmap pixmap = QPixmap::fromImage(decoded->image);
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    setFixedSize(pixmap.deviceIndependentSize().toSize().expandedTo({1, 1}) +
                 QSize(2 * frameWidth(), 2 * frameWidth()));
    setPixmap(pixmap);
}

void PictureTile::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit opened(base_, picture_);
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void PictureTile::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit opened(base_, picture_);
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

PictureStrip::PictureStrip(PictureLoader& loader, QWidget* parent)
    : QWidget(parent), loader_(loader), row_(new QHBoxLayout(this))
{
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

void PictureStrip::show(const QString& base, const std::vector<answer::Picture>& pictures)
{
    const auto same = [](const answer::Picture& a, const answer::Picture& b) {
        return a.path == b.path && a.label == b.label && a.bytes == b.bytes &&
               a.mtimeNs == b.mtimeNs && a.header.problem == b.header.problem;
    };
    if (base == base_ &&
        std::equal(pictures.begin(), pictures.end(), pictures_.begin(), pictures_.end(), same)) {
        return;
    }
    base_ = base;
    pictures_ = pictures;
    rebuild();
}

void PictureStrip::setFixedBox(int side)
{
    fixedBox_ = side;
    rebuild();
}

int PictureStrip::boxSide() const
{
    if (fixedBox_ > 0) {
        return fixedBox_;
    }
    // In steps, so that a window dragged larger does not read every
    // picture again at each pixel.
    const int side = std::clamp(height(), minBox, maxBox);
    return side - side % 32;
}

void PictureStrip::rebuild()
{
    while (QLayoutItem* item = row_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    builtBox_ = boxSide();
    for (const answer::Picture& picture : pictures_) {
        auto* tile = new PictureTile(loader_, base_, picture, QSize(builtBox_, builtBox_), this);
        connect(tile, &PictureTile::opened, this, &PictureStrip::opened);
        row_->addWidget(tile, 0, Qt::AlignTop);
    }
    setVisible(!pictures_.empty());
    updateGeometry();
}

std::vector<PictureTile*> PictureStrip::tiles() const
{
    std::vector<PictureTile*> out;
    for (int k = 0; k < row_->count(); ++k) {
        if (auto* tile = qobject_cast<PictureTile*>(row_->itemAt(k)->widget())) {
            out.push_back(tile);
        }
    }
    return out;
}

QSize PictureStrip::sizeHint() const
{
    const int side = builtBox_ > 0 ? builtBox_ : minBox;
    const auto n = static_cast<int>(pictures_.size());
    return {n * (side + 6) + std::max(0, n - 1) * row_->spacing(), side + 6};
}

QSize PictureStrip::minimumSizeHint() const
{
    const auto n = static_cast<int>(pictures_.size());
    return {n * (minBox + 6), minBox + 6};
}

void PictureStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (fixedBox_ == 0 && boxSide() != builtBox_ && !pictures_.empty()) {
        rebuild();
    }
}

PictureViewer::PictureViewer(PictureLoader& loader, const QString& base,
                             const answer::Picture& picture, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(qtext(picture.label));
    setAccessibleName(qtext(picture.label));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setAlignment(Qt::AlignCenter);
    // Full size: the decoder's box is the picture's own.
    const QSize full(static_cast<int>(picture.header.width),
                     static_cast<int>(picture.header.height));
    auto* tile = new PictureTile(loader, base, picture, full.isEmpty() ? QSize(480, 480) : full);
    tile->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(tile);
    layout->addWidget(scroll);
    resize(full.isEmpty() ? QSize(480, 480)
                          : full.boundedTo({1000, 760}).expandedTo({240, 180}) + QSize(4, 4));
}

void PictureViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

CompareWindow::CompareWindow(PictureLoader& loader, const QString& base,
                             const std::vector<CompareColumn>& columns, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Compare"));
    setAccessibleName(tr("Compare"));
    auto* row = new QHBoxLayout(this);
    for (const CompareColumn& column : columns) {
        auto* box = new QGroupBox(qtext(column.sv), this);
        box->setAccessibleName(qtext(column.sv));
        auto* stack = new QVBoxLayout(box);
        auto* number = new QLabel(qtext(column.sv), box);
        QFont large = number->font();
        large.setBold(true);
        large.setPointSizeF(large.pointSizeF() * 1.5);
        number->setFont(large);
        auto* strip = new PictureStrip(loader, box);
        strip->setFixedBox(160);
        strip->show(base, column.pictures);
        strip->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        connect(strip, &PictureStrip::opened, this, &CompareWindow::opened);
        auto* entry = new ui::BoundedTextArea(box);
        entry->setAccessibleName(tr("Entry %1").arg(qtext(column.sv)));
        entry->setTabChangesFocus(true);
        entry->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        ui::SetReportTabStops(*entry);
        entry->showText(qtext(column.entryText));
        stack->addWidget(number);
        stack->addWidget(strip);
        stack->addWidget(entry, 1);
        row->addWidget(box, 1);
    }
    resize(std::min<int>(360 * static_cast<int>(columns.size()), 1400), 640);
}

} // namespace explorer
