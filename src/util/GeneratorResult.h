// The result of every generator of lines: conversion, tables, reports.
#pragma once

#include "util/VeltraError.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace veltra {

/// The lines a generator produced and, when it stopped early, why and (when a row was
/// reached) where. A generator that stops keeps the lines it completed before the
/// failing row, so a front end can show them and then report the error.
struct [[nodiscard]] GeneratorResult
{
    QStringList lines;
    /// 0-based index of the input line or table row at which generation stopped; empty
    /// when it ran to the end or failed before reaching any row (see failed).
    std::optional<int> stopRow;
    /// True when generation stopped early, at a row (stop) or before any (fail).
    bool failed = false;
    /// The failure's message (it names the value or position concerned); empty when
    /// generation ran to the end.
    QString error;
    /// A fixed-width table's column widths, so that its lines can be cut into cells again:
    /// the width of each column's data cells (right-aligned in it; a longer text is not
    /// cut and pushes the cells after it to the right) and those of the header line (the
    /// first line; empty: the same as the data cells). Both empty for other output.
    QList<int> columnWidths;
    QList<int> headerWidths;

    bool complete() const { return !failed; }

    /// Marks the result as stopped at row with the error's message.
    void stop(int row, const QString& message)
    {
        failed = true;
        stopRow = row;
        error = message;
    }

    /// Marks the result as failed before any row was reached, with the error's message.
    void fail(const QString& message)
    {
        failed = true;
        stopRow.reset();
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
