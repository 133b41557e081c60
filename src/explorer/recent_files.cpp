// SPDX-License-Identifier: GPL-3.0-or-later
#include "explorer/recent_files.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace explorer {

namespace {

const QString recentKey = QStringLiteral("recentFiles");
const QString lastKey = QStringLiteral("lastFile");

} // namespace

RecentFiles::RecentFiles(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu)
{
    fillMenu();
}

QString RecentFiles::last(const QSettings& settings)
{
    return settings.value(lastKey).toString();
}

void RecentFiles::read(const QSettings& settings)
{
    files_ = settings.value(recentKey).toStringList();
    fillMenu();
}

void RecentFiles::write(QSettings& settings) const
{
    settings.setValue(recentKey, files_);
    if (!files_.isEmpty()) {
        settings.setValue(lastKey, files_.front());
    }
}

void RecentFiles::add(const QString& path)
{
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > count) {
        files_.removeLast();
    }
    fillMenu();
}

void RecentFiles::fillMenu()
{
    menu_->clear();
    for (qsizetype k = 0; k < files_.size(); ++k) {
        const QString path = files_[k];
        QAction* action =
            menu_->addAction(QStringLiteral("&%1 %2").arg(k + 1).arg(QFileInfo(path).fileName()));
        action->setStatusTip(path);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    menu_->setEnabled(!files_.isEmpty());
}

} // namespace explorer
