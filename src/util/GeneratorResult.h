// The result of every generator of lines: conversion, tables, reports.
#pragma once

#include "util/VeltraError.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace veltra {

/// The lines a generator produced and, when it stopped early, where and why. A
/// generator that stops keeps the lines it completed before the failing row, so a
/// front end can show them and then report the error.
struct [[nodiscard]] GeneratorResult
{
    QStringList lines;
    /// 0-based index of the input line or table row at which generation stopped;
    /// -1 when it ran to the end.
    int stopRow = -1;
    /// The failure's message (it names the value or position concerned); empty when
    /// generation ran to the end.
    QString error;
    /// A fixed-width table's column widths, so that its lines can be cut into cells again:
    /// the width of each column's data cells (right-aligned in it; a longer text is not
    /// cut and pushes the cells after it to the right) and those of the header line (the
    /// first line; empty: the same as the data cells). Both empty for other output.
    QList<int> columnWidths;
    QList<int> headerWidths;

    bool complete() const { return stopRow < 0; }

    /// Marks the result as stopped at row with the error's message.
    void stop(int row, const QString& message)
    {
        stopRow = row;
        error = message;
    }

    /// For handlers that end a failed command with the general error message: throws
    /// the failure as a VeltraError; does nothing when generation ran to the end.
    void throwIfStopped() const
    {
        if (!complete())
            throw VeltraError(error);
    }
};

} // namespace veltra
