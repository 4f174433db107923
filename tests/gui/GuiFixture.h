// The main window started on the crafted test database in a temporary folder, and
// helpers to drive it as a user would.
#pragma once

#include "../common/Children.h"
#include "../common/TestDatabase.h"

#include "app/ui/fMain.h"
#include "util/ui/OLERichEdit.h"
#include "widgets/DbGrid.h"
#include "widgets/PanelStatusBar.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPair>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace fixture {

/// A temporary folder with the database, made the current folder, and a main window
/// started as if its executable lay in that folder. Errors the guard reports are kept.
struct Session
{
    QTemporaryDir dir;
    QString oldCurrent = QDir::currentPath();
    std::unique_ptr<veltra::TForm1> form;
    QStringList errors;
    int beeps = 0;

    explicit Session(const QByteArray& settings = QByteArray(), bool database = true)
    {
        if (database)
            WriteDatabase(dir.path());
        if (!settings.isNull())
            WriteFile(settingsPath(), settings);
        QDir::setCurrent(dir.path());
    }
    ~Session()
    {
        form.reset();
        QDir::setCurrent(oldCurrent);
    }
    QString exePath() const { return dir.path() + QStringLiteral("/veltra"); }
    QString settingsPath() const { return dir.path() + QStringLiteral("/veltra.INI"); }

    veltra::TForm1& start()
    {
        form = std::make_unique<veltra::TForm1>(exePath());
        form->Guard().setReporter([this](const QString& message) { errors << message; });
        form->SetBeeper([this] { ++beeps; });
        form->show();
        return *form;
    }

    QString panel(int i) const { return Child<veltra::PanelStatusBar>(*form, "sb1")->panelText(i); }
    QStringList log() const { return form->ProtocolLines(); }
    QStringList lines(const QPlainTextEdit* memo) const
    {
        return memo->toPlainText().isEmpty() ? QStringList()
                                             : memo->toPlainText().split(QLatin1Char('\n'));
    }
    QString settingsText() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    /// Clicks the grid row whose cell in `column` shows `text`.
    bool clickRow(veltra::DbGrid* grid, const QString& text, int column = 0)
    {
        QAbstractItemModel* model = grid->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            if (model->data(index).toString() == text) {
                grid->scrollTo(index);
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                  grid->visualRect(index).center());
                return true;
            }
        }
        return false;
    }
    QStringList column(veltra::DbGrid* grid, int column = 0) const
    {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts << grid->model()->data(grid->model()->index(row, column)).toString();
        return texts;
    }
    QString selected(veltra::DbGrid* grid, int column = 0) const
    {
        const QModelIndexList rows = grid->selectionModel()->selectedRows(column);
        return rows.size() == 1 ? rows.first().data().toString() : QString();
    }

    // The same on the main window's grid with that object name.
    veltra::DbGrid* grid(const char* name) const { return Child<veltra::DbGrid>(*form, name); }
    bool clickRow(const char* gridName, const QString& text, int column = 0)
    {
        return clickRow(grid(gridName), text, column);
    }
    QStringList column(const char* gridName, int column = 0) const
    {
        return this->column(grid(gridName), column);
    }
    QString selected(const char* gridName, int column = 0) const
    {
        return selected(grid(gridName), column);
    }
    /// Moves the grid's table to its visible row recNo (from 1), as a keyboard move in the
    /// grid does (the data file's age groups: "DBGrid2").
    void selectRow(const char* gridName, int recNo)
    {
        veltra::DbGrid* view = grid(gridName);
        view->setCurrentIndex(view->model()->index(recNo - 1, 0));
    }
};

} // namespace fixture
