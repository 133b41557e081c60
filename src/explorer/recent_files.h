// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QMenu;
class QSettings;

namespace explorer {

/// File ▸ Open Recent: the catalogues that loaded last, newest first, kept
/// in the settings with the last of them, which a start without FILE opens.
class RecentFiles : public QObject {
    Q_OBJECT

public:
    /// How many files the menu keeps.
    static constexpr int count = 6;

    /// Fills `menu`, which it keeps up to date from now on.
    explicit RecentFiles(QMenu* menu, QObject* parent = nullptr);

    /// The file that loaded last, as `write` kept it; empty when none did.
    static QString last(const QSettings& settings);

    void read(const QSettings& settings);
    void write(QSettings& settings) const;

    /// Puts `path` first, once.
    void add(const QString& path);
    [[nodiscard]] const QStringList& files() const { return files_; }

signals:
    /// The collector picked `path` from the menu.
    void chosen(const QString& path);

private:
    void fillMenu();

    QMenu* menu_;
    QStringList files_;
};

} // namespace explorer
