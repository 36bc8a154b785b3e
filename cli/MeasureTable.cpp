// SPDX-License-Identifier: BSD-3-Clause
#include "cli/MeasureTable.h"

#include <charconv>
#include <utility>

namespace {

// `text` right-aligned in `width` characters (ASCII only).
std::string Padded(const std::string& text, int width) {
    const size_t size = static_cast<size_t>(width);
    return text.size() < size ? std::string(size - text.size(), ' ') + text : text;
}

} // namespace

TableWriter::TableWriter(std::FILE* out, TableFormat format, std::vector<TableColumn> columns)
    : m_out(out), m_format(format), m_columns(std::move(columns)) {
    if (m_format == TableFormat::Json) {
        std::fputs("[", m_out);
        return;
    }
    std::string header;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const TableColumn& column = m_columns[i];
        if (i > 0) {
            header += m_format == TableFormat::Csv ? "," : " ";
        }
        header += m_format == TableFormat::Csv ? std::string(column.name)
                                               : Padded(column.name, column.width);
    }
    std::fprintf(m_out, "%s\n", header.c_str());
}

void TableWriter::Row(const std::vector<TableCell>& cells) {
    std::string line;
    for (size_t i = 0; i < m_columns.size() && i < cells.size(); ++i) {
        const TableCell& cell = cells[i];
        switch (m_format) {
        case TableFormat::Text:
            line.append(i ? " " : "").append(Padded(cell.value_or("-"), m_columns[i].width));
            break;
        case TableFormat::Csv:
            line.append(i ? "," : "").append(cell.value_or(""));
            break;
        case TableFormat::Json:
            line.append(i ? ", \"" : "{\"").append(m_columns[i].name).append("\": ");
            line.append(cell.value_or("null"));
            break;
        }
    }
    if (m_format == TableFormat::Json) {
        std::fprintf(m_out, "%s\n%s}", m_first ? "" : ",", line.c_str());
    } else {
        std::fprintf(m_out, "%s\n", line.c_str());
    }
    m_first = false;
}

void TableWriter::Finish() {
    if (m_format == TableFormat::Json) {
        std::fputs(m_first ? "]\n" : "\n]\n", m_out);
    }
    std::fflush(m_out);
}

std::string WholeCell(long long value) {
    return std::to_string(value);
}

std::string FractionCell(double value, TableFormat format) {
    char text[40];
    const auto result = format == TableFormat::Text
                            ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3)
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
