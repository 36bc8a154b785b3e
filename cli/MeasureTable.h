// SPDX-License-Identifier: BSD-3-Clause
// The rows quorvane-cli's measuring commands print, written as they come: a
// plain text table with aligned columns, CSV with a header line, or a JSON
// array of objects.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

enum class TableFormat { Text, Csv, Json };

struct TableColumn {
    const char* name;
    int width; // of the text table
};

// A cell: the number as text, or none for a missing value (blank in the
// text table and CSV, null in JSON).
using TableCell = std::optional<std::string>;

class TableWriter {
public:
    TableWriter(std::FILE* out, TableFormat format, std::vector<TableColumn> columns);
    void Row(const std::vector<TableCell>& cells);
    // Closes the JSON array; the table is complete.
    void Finish();

    TableFormat Format() const { return m_format; }

private:
    std::FILE* m_out;
    TableFormat m_format;
    std::vector<TableColumn> m_columns;
    bool m_first = true;
};

// Numbers for the table: whole numbers as they are; fractions with three
// decimals in the text table and in full (the shortest text that reads back
// exactly) in CSV and JSON, independent of the locale.
std::string WholeCell(long long value);
std::string FractionCell(double value, TableFormat format);
