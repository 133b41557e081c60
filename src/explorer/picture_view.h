// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "answer/pictures.h"

#include <QLabel>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QHBoxLayout;

namespace explorer {

class PictureLoader;

/// One picture of an entry, scaled to fit its box with its aspect kept, or
/// in its place "412 obverse: picture cannot be shown" with the reason as
/// its description. Named for a screen reader as "412 obverse"; a click or
/// Enter opens it full size.
class PictureTile : public QLabel {
    Q_OBJECT

public:
    PictureTile(PictureLoader& loader, QString base, answer::Picture picture, QSize box,
                QWidget* parent = nullptr);

    [[nodiscard]] const answer::Picture& picture() const { return picture_; }
    /// Shown, cannot be shown, or still being read.
    [[nodiscard]] bool isShown() const { return shown_; }
    [[nodiscard]] bool isRefused() const { return refused_; }

signals:
    void opened(const QString& base, const answer::Picture& picture);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void update(const QString& key);

    PictureLoader& loader_;
    QString base_;
    answer::Picture picture_;
    QSize box_;
    QString key_;
    bool shown_ = false;
    bool refused_ = false;
};

/// An entry's pictures in a row, each in a square box as tall as the row
/// allows (within `minBox` and `maxBox`).
class PictureStrip : public QWidget {
    Q_OBJECT

public:
    PictureStrip(PictureLoader& loader, QWidget* parent = nullptr);

    /// Shows `pictures` of the catalogue whose folder is `base`; the same
    /// pictures again change nothing.
    void show(const QString& base, const std::vector<answer::Picture>& pictures);
    /// A fixed box side, for a strip whose height does not follow its
    /// place (Compare's columns); 0: follow the height.
    void setFixedBox(int side);

    [[nodiscard]] std::vector<PictureTile*> tiles() const;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    static constexpr int minBox = 96;
    static constexpr int maxBox = 320;

signals:
    void opened(const QString& base, const answer::Picture& picture);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int boxSide() const;
    void rebuild();

    PictureLoader& loader_;
    QHBoxLayout* row_;
    QString base_;
    std::vector<answer::Picture> pictures_;
    int fixedBox_ = 0;
    int builtBox_ = 0;
};

/// One picture full size in a window of its own, scrolled when larger than
/// the screen; read off the window's thread like the others.
class PictureViewer : public QWidget {
    Q_OBJECT

public:
    PictureViewer(PictureLoader& loader, const QString& base, const answer::Picture& picture,
                  QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

/// Two to four candidates side by side, a column each: the catalogue
/// number, the pictures and the Entry text.
struct CompareColumn {
    std::string sv;
    std::string entryText;
    std::vector<answer::Picture> pictures;
};

class CompareWindow : public QWidget {
    Q_OBJECT

public:
    CompareWindow(PictureLoader& loader, const QString& base,
                  const std::vector<CompareColumn>& columns, QWidget* parent = nullptr);

signals:
    void opened(const QString& base, const answer::Picture& picture);
};

} // namespace explorer
